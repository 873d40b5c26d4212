#include "framework/showcursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace orvanta {

void ShowCursor::hide() {
    if (hidden_) return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
    hidden_ = true;
}

void ShowCursor::show() {
    if (!hidden_) return;
    QGuiApplication::restoreOverrideCursor();
    hidden_ = false;
}

}  // namespace orvanta
