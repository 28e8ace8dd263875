#pragma once
// Our dialogs place their controls at fixed coordinates, each with its object name.
#include <QString>

namespace vt {

template <class W>
W* Place(W* w, const char* name, int left, int top, int width, int height) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(left, top, width, height);
    return w;
}

}  // namespace vt
