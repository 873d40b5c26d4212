#pragma once
// The one message-box routine: information icon, OK button, application
// modal, brought to the front, owned by `owner` when that window is visible
// and enabled. The window that was active before is made active again.
#include <QString>

class QWindow;

namespace orvanta {

void showMessageBox(QWindow* owner, const QString& title, const QString& text);

}  // namespace orvanta
