#include "autorefresh.h"

#include "appcontext.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimer>

namespace shell {

namespace {

const int kSeconds[] = {0, 5, 15, 60};

// The box layout, somewhere under `layout`, that holds `w` directly; its index in *at.
QBoxLayout *holderOf(QLayout *layout, QWidget *w, int *at)
{
    if (!layout)
        return nullptr;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->widget() == w) {
            if (auto *box = qobject_cast<QBoxLayout *>(layout)) {
                *at = i;
                return box;
            }
            return nullptr;
        }
        if (QBoxLayout *found = holderOf(item->layout(), w, at))
            return found;
    }
    return nullptr;
}

} // namespace

AutoRefresh::AutoRefresh(AppContext &ctx, QAbstractButton *getButton, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), m_button(getButton), m_choice(new QComboBox(this)), m_timer(new QTimer(this))
{
    setObjectName("AutoRefresh");
    auto *lay = new QHBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(4);
    auto *label = new QLabel("Auto-refresh", this);
    m_choice->setObjectName("AutoRefreshInterval");
    m_choice->addItems({"Off", "5 s", "15 s", "60 s"});
    m_choice->setToolTip("Press " + getButton->text().remove('&') + " by itself at this interval");
    label->setBuddy(m_choice);
    lay->addWidget(label);
    lay->addWidget(m_choice);
    m_timer->setObjectName("AutoRefreshTimer");
    connect(m_choice, &QComboBox::currentIndexChanged, this, [this](int i) {
        const int s = kSeconds[std::clamp(i, 0, 3)];
        if (s == 0) {
            m_timer->stop();
        } else {
            m_timer->setInterval(s * 1000);
            m_timer->start();
        }
    });
    connect(m_timer, &QTimer::timeout, this, [this] { tick(); });
}

AutoRefresh *AutoRefresh::attach(AppContext &ctx, QAbstractButton *getButton)
{
    QWidget *host = getButton->parentWidget();
    auto *ar = new AutoRefresh(ctx, getButton, host);
    int at = -1;
    if (QBoxLayout *box = holderOf(host ? host->layout() : nullptr, getButton, &at))
        box->insertWidget(at + 1, ar);
    else if (host && host->layout())
        host->layout()->addWidget(ar);
    return ar;
}

int AutoRefresh::interval() const
{
    return kSeconds[std::clamp(m_choice->currentIndex(), 0, 3)];
}

void AutoRefresh::setInterval(int seconds)
{
    for (int i = 0; i < 4; ++i)
        if (kSeconds[i] == seconds)
            m_choice->setCurrentIndex(i);
}

void AutoRefresh::tick()
{
    if (m_pressing || m_ctx.errorDialogsOpen > 0 || !m_button->isEnabled() || !m_button->isVisible())
        return;
    m_pressing = true;
    m_button->click();
    m_pressing = false;
}

} // namespace shell
