#pragma once
// Where the frame puts its child windows and how big it makes them.
//
// A window asks for its size either with resize() in its constructor or through
// its layout's sizeHint(); the larger of the two wins, so a window whose grid
// header needs more width than it asked for still opens showing the header. The
// size is clamped to the frame's client area.
//
// The frame remembers each child window's geometry and its own between runs in
// SQLVigil-windows.ini, beside the settings file SQLVigil.ini (which holds only
// the repository directory and is never written by the program).
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class QMainWindow;
class QMdiArea;
class QMdiSubWindow;
class QSettings;
class QWidget;

namespace shell {

// The size a form asks for (see above).
QSize requestedSize(QWidget *form);

// The remembered-geometry file for the settings file `iniPath`.
QString placesFileFor(const QString &iniPath);

class WindowPlaces : public QObject {
    Q_OBJECT
public:
    explicit WindowPlaces(const QString &iniPath, QObject *parent = nullptr);
    ~WindowPlaces() override;

    // Sizes and positions a new child window `sub` holding `form`: its remembered
    // geometry when there is one, else `asked` (requestedSize() of the form taken
    // before it went into `sub`, which resizes it); in both cases inside the
    // area's viewport. Watches `sub` so its geometry is saved on close.
    void place(QMdiArea *area, QMdiSubWindow *sub, QWidget *form, const QString &formName, const QSize &asked);

    void saveChild(const QString &formName, const QRect &geometry);
    QRect rememberedChild(const QString &formName) const;

    void saveFrame(const QMainWindow &frame);
    // Answers false when nothing is remembered (the frame keeps its size).
    bool restoreFrame(QMainWindow &frame) const;

    QString fileName() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace shell
