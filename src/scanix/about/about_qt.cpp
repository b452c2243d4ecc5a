// libscanix_about.so: the AboutBox of Scanix as a real modal Qt dialog.
//
// Loaded at run time by libscanix (dlopen), which itself links no GUI toolkit. The box is centred
// horizontally and placed at a third of the free screen height; its title line uses a bold
// (weight 700) "Times New Roman" font 28 pixels high.
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <memory>

namespace {
struct Geometry {
  int x = 0, y = 0, w = 0, h = 0, screenX = 0, screenY = 0, screenW = 0, screenH = 0;
  int pixelSize = 0, weight = 0;
  char family[64] = {};
} g_last;

bool displayAvailable() {
  return getenv("DISPLAY") || getenv("WAYLAND_DISPLAY") || getenv("QT_QPA_PLATFORM");
}
}  // namespace

extern "C" __attribute__((visibility("default"))) int scanix_about_show(const char *title,
                                                                          const char *text) {
  std::unique_ptr<QApplication> ownApp;
  if (!QApplication::instance()) {
    if (!displayAvailable()) return -1;
    static int argc = 1;
    static char name[] = "scanix";
    static char *argv[] = {name, nullptr};
    ownApp = std::make_unique<QApplication>(argc, argv);
  } else if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
    return -1;  // a non-GUI Qt application cannot show widgets
  }

  QDialog box(QApplication::activeWindow());
  box.setWindowTitle(QString::fromUtf8(title));
  box.setModal(true);
  auto *layout = new QVBoxLayout(&box);
  auto *head = new QLabel(QString::fromUtf8(title), &box);
  QFont font(QStringLiteral("Times New Roman"));
  font.setPixelSize(28);
  font.setWeight(QFont::Bold);  // 700
  head->setFont(font);
  layout->addWidget(head);
  auto *body = new QLabel(QString::fromUtf8(text), &box);
  layout->addWidget(body);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  layout->addWidget(buttons);
  box.adjustSize();

  QScreen *screen = QGuiApplication::primaryScreen();
  if (QWidget *w = QApplication::activeWindow())
    if (w->screen()) screen = w->screen();
  if (screen) {
    QRect s = screen->availableGeometry();
    QSize size = box.size();
    int x = s.x() + (s.width() - size.width()) / 2;
    int y = s.y() + (s.height() - size.height()) / 3;
    box.move(x, y);
    g_last.screenX = s.x();
    g_last.screenY = s.y();
    g_last.screenW = s.width();
    g_last.screenH = s.height();
  }
  g_last.x = box.x();
  g_last.y = box.y();
  g_last.w = box.width();
  g_last.h = box.height();
  g_last.pixelSize = head->font().pixelSize();
  g_last.weight = head->font().weight();
  QByteArray fam = head->font().family().toUtf8();
  qstrncpy(g_last.family, fam.constData(), sizeof g_last.family);

  // For tests and screenshots: close by itself after the given number of milliseconds.
  if (const char *ms = getenv("SCANIX_ABOUT_AUTOCLOSE_MS"))
    QTimer::singleShot(atoi(ms), &box, &QDialog::accept);
  box.exec();
  return 0;
}

// Geometry and title font of the last box shown (for tests).
extern "C" __attribute__((visibility("default"))) void scanix_about_last(int geometry[8],
                                                                         int *pixelSize,
                                                                         int *weight,
                                                                         const char **family) {
  int v[8] = {g_last.x, g_last.y, g_last.w, g_last.h,
              g_last.screenX, g_last.screenY, g_last.screenW, g_last.screenH};
  for (int i = 0; i < 8; ++i) geometry[i] = v[i];
  *pixelSize = g_last.pixelSize;
  *weight = g_last.weight;
  *family = g_last.family;
}
