#pragma once
// BusyCursor: shows the wait cursor for as long as it lives, so that no
// return path and no exception can leave the pointer busy.

#include <QCursor>
#include <QGuiApplication>

namespace reports {

class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace reports
