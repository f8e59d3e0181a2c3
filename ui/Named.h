#pragma once

#include <QString>

// Windows create their controls with their names; the name is how tests and people find them.
namespace ui {

template <typename W, typename Parent> W* Named(Parent* parent, const char* name) {
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

} // namespace ui
