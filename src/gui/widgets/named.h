#pragma once

#include <QString>
#include <utility>

namespace quorvel::gui {

// Creates a widget with an object name, so tests and style sheets find controls by their names.
template <typename T, typename... Args> T* named(const char* name, Args&&... args) {
    T* widget = new T(std::forward<Args>(args)...);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

} // namespace quorvel::gui
