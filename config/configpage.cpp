#include "config/configpage.h"

#include <QCoreApplication>

namespace orvanta {

ConfigPage::ConfigPage(PageId id) : WForm(WForm::loadTable(QString::fromLatin1(pageRow(id).layout))) {}

QSize ConfigPage::requiredSize() const {
    const LayoutControl& form = table().form;
    const QRect used = childrenRect();
    return QSize(units().x(form.width), units().y(form.height)).expandedTo(QSize(used.right() + 3, used.bottom() + 3));
}

void ConfigPage::postMessage(const PageMessage& message) {
    if (QObject* owner = ownerForm()) QCoreApplication::postEvent(owner, new PageMessageEvent(message));
}

bool ConfigPage::event(QEvent* event) {
    if (event->type() == PageMessageEvent::eventType()) {
        MessageEvent.raise(static_cast<PageMessageEvent*>(event)->message);
        return true;
    }
    return WForm::event(event);
}

}  // namespace orvanta
