#pragma once

#include <QString>

#include <utility>

// Creates a control under the name the rest of the program and the tests
// know it by (objectName), passing args to its constructor.
template <class Widget, class... Args> Widget* named(const QString& name, Args&&... args)
{
    auto* widget = new Widget(std::forward<Args>(args)...);
    widget->setObjectName(name);
    return widget;
}
