#pragma once
// Message filters that see every event before it is delivered, in order of
// priority (lower first). A filter returning true has handled the event,
// which is then discarded.
#include <QEvent>
#include <QObject>
#include <functional>

namespace orvanta {

using MessageFilter = std::function<bool(QObject* target, QEvent* event)>;

// Installs a filter on the application; returns its id for removal.
int installMessageFilter(int priority, MessageFilter filter);
void removeMessageFilter(int id);

}  // namespace orvanta
