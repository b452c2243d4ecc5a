#pragma once
// Creates a form's control with its objectName, the name the form gives it.
#include <utility>

class QWidget;

namespace shell {

// new W(args..., parent) named `name`: nombrado<QLineEdit>(this, "Nombre"),
// nombrado<QCheckBox>(this, "Es_Publico", "Public").
template <class W, class... A> W *nombrado(QWidget *parent, const char *name, A &&...args)
{
    auto *w = new W(std::forward<A>(args)..., parent);
    w->setObjectName(name);
    return w;
}

} // namespace shell
