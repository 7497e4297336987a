#pragma once

#include "ui/main_window.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace numio::test {

// The window's controls by their object names, as a person (or a screen reader) finds them.
template <class T> T* child(const QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QLatin1String(name));
    Q_ASSERT(c);
    return c;
}
inline QAction* act(const QWidget& w, const char* name) {
    return child<QAction>(w, name);
}
inline QLabel* lbl(const QWidget& w, const char* name) {
    return child<QLabel>(w, name);
}
inline QPushButton* btn(const QWidget& w, const char* name) {
    return child<QPushButton>(w, name);
}
inline QLineEdit* box(const QWidget& w) {
    return child<QLineEdit>(w, "dfResult");
}
inline bool cardShown(const FrmMain& w) {
    return w.exam().phase().overlay == Overlay::CardSliding || w.exam().phase().overlay == Overlay::CardShown;
}

} // namespace numio::test
