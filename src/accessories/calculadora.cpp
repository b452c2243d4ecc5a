#include "calculadora.h"

#include "appcontext.h"
#include "prompts.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace accessories {

Calculadora::Calculadora(shell::AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("CALCULADORA");
    setWindowTitle("Calculator");
    Readout = new QLabel(this);
    Readout->setObjectName("Readout");
    Readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Readout->setFrameShape(QFrame::Panel);
    Readout->setFrameShadow(QFrame::Sunken);
    Readout->setMinimumHeight(40);
    Readout->setStyleSheet("QLabel { background: #f7f9f2; padding: 4px 8px; }");
    QFont f = Readout->font();
    f.setPointSizeF(f.pointSizeF() * 1.6);
    Readout->setFont(f);

    // Rows of the keypad: captions and the objectName of each key.
    struct Key {
        const char *caption, *name;
        int row, col;
    };
    static const Key keys[] = {
        {"C", "Cancel", 0, 0},   {"CE", "CancelEntry", 0, 1}, {"%", "Percent", 0, 2},     {"/", "OperatorDivide", 0, 3},
        {"7", "Number7", 1, 0},  {"8", "Number8", 1, 1},      {"9", "Number9", 1, 2},     {"X", "OperatorTimes", 1, 3},
        {"4", "Number4", 2, 0},  {"5", "Number5", 2, 1},      {"6", "Number6", 2, 2},     {"-", "OperatorMinus", 2, 3},
        {"1", "Number1", 3, 0},  {"2", "Number2", 3, 1},      {"3", "Number3", 3, 2},     {"+", "OperatorPlus", 3, 3},
        {"0", "Number0", 4, 0},  {".", "Decimal", 4, 1},      {"=", "OperatorEquals", 4, 2},
    };
    auto *grid = new QGridLayout;
    grid->setSpacing(4);
    for (const Key &k : keys) {
        auto *b = new QPushButton(k.caption, this);
        b->setObjectName(k.name);
        b->setMinimumSize(52, 38);
        b->setFocusPolicy(Qt::NoFocus);
        const QString caption = k.caption;
        connect(b, &QPushButton::clicked, this, [this, caption] { press(caption); });
        grid->addWidget(b, k.row, k.col, 1, caption == "=" ? 2 : 1);
    }
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(10, 10, 10, 10);
    v->addWidget(Readout);
    v->addLayout(grid);
    setFocusPolicy(Qt::StrongFocus);
    Cancel_Click();
    resize(260, 300);
}

void Calculadora::press(const QString &key)
{
    if (key.size() == 1 && key[0].isDigit())
        Number_Click(key[0].digitValue());
    else if (key == ".")
        Decimal_Click();
    else if (key == "%")
        Percent_Click();
    else if (key == "C")
        Cancel_Click();
    else if (key == "CE")
        CancelEntry_Click();
    else if (key == "+" || key == "-" || key == "X" || key == "/" || key == "=")
        Operator_Click(key);
}

QString Calculadora::readout() const { return m_readout; }

void Calculadora::show(const QString &text)
{
    m_readout = text;
    Readout->setText(text);
}

// A result as the readout shows it: an integer with a trailing ".".
QString Calculadora::format(double v)
{
    QString s = QString::number(v, 'g', 15);
    if (!s.contains('.') && !s.contains('e') && !s.contains("inf") && !s.contains("nan"))
        s += '.';
    return s;
}

double Calculadora::value() const
{
    bool ok = false;
    double v = m_readout.toDouble(&ok);
    return ok ? v : 0;
}

void Calculadora::Number_Click(int digit)
{
    QString r = m_readout;
    if (m_last != "NUMS") {
        r = ".";
        m_decimal = false;
    }
    const QString d = QString::number(digit);
    if (m_decimal)
        r += d;
    else
        r.insert(r.indexOf('.'), d);
    if (m_last == "NEG")
        r.prepend('-');
    m_last = "NUMS";
    show(r);
}

void Calculadora::Decimal_Click()
{
    if (m_last == "NEG")
        show("-0.");
    else if (m_last != "NUMS")
        show("0.");
    m_decimal = true;
    m_last = "NUMS";
}

void Calculadora::Percent_Click()
{
    show(format(value() / 100));
    m_pending = "%";
    ++m_operands;
    m_decimal = true;
    m_last = "OPS";
}

void Calculadora::Operator_Click(const QString &op)
{
    if (m_last == "NUMS")
        ++m_operands;
    switch (m_operands) {
    case 0:
        if (op == "-" && m_last != "NEG") {
            show("-" + m_readout);
            m_last = "NEG";
        }
        break;
    case 1:
        m_first = value();
        if (op == "-" && m_last != "NUMS" && m_pending != "=") {
            show("-");
            m_last = "NEG";
        }
        break;
    default:
        m_second = value();
        if (m_pending == "+")
            m_first += m_second;
        else if (m_pending == "-")
            m_first -= m_second;
        else if (m_pending == "X")
            m_first *= m_second;
        else if (m_pending == "/") {
            if (m_second == 0)
                m_ctx.prompts.MsgBox("Can't divide by zero", shell::vbOKOnly | shell::vbExclamation, "Calculator");
            else
                m_first /= m_second;
        } else if (m_pending == "=")
            m_first = m_second;
        else if (m_pending == "%")
            m_first *= m_second;
        show(format(m_first));
        m_operands = 1;
        break;
    }
    if (m_last != "NEG") {
        m_last = "OPS";
        m_pending = op;
    }
}

void Calculadora::Cancel_Click()
{
    show("0.");
    m_first = m_second = 0;
    m_decimal = false;
    m_operands = 0;
    m_last = "NONE";
    m_pending = " ";
}

void Calculadora::CancelEntry_Click()
{
    show("0.");
    m_decimal = false;
    m_last = "CE";
}

void Calculadora::keyPressEvent(QKeyEvent *event)
{
    const QString t = event->text();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: press("="); return;
    case Qt::Key_Escape: press("C"); return;
    case Qt::Key_Delete: press("CE"); return;
    default: break;
    }
    if (t == "*" || t == "x" || t == "X")
        press("X");
    else if (t == "," )
        press(".");
    else if (t.size() == 1 && QString("0123456789.+-/=%").contains(t))
        press(t);
    else
        QWidget::keyPressEvent(event);
}

} // namespace accessories
