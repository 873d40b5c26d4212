#include "framework/messagebox.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWindow>

namespace orvanta {

void showMessageBox(QWindow* owner, const QString& title, const QString& text) {
    QPointer<QWindow> previous = QGuiApplication::focusWindow();
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    // The show window stays on top; the box must come above it.
    box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.winId();
    if (owner && owner->isVisible() && owner->isExposed() && box.windowHandle())
        box.windowHandle()->setTransientParent(owner);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    if (previous) previous->requestActivate();
}

}  // namespace orvanta
