#include "config/tabform6.h"

#include <QDesktopServices>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "config/productinfo.h"
#include "framework/WControlBinder.h"
#include "framework/displayfacts.h"
#include "settings/supportreport.h"

namespace orvanta {

TabForm6::TabForm6(Opener opener) : ConfigPage(PageId::Support), opener_(std::move(opener)), c_(bindControls()) {
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    systemPart_ = systemReportText(gatherSystemFacts(currentDisplayFacts()));
    c_.report->setPlainText(QString::fromStdString(systemPart_));

    ShowEvent.connect([this] { return refreshReport(), false; });
    connect(c_.copy, &QPushButton::clicked, this, [this] { copyToClipboard(); });
    connect(c_.email, &QPushButton::clicked, this, [this] { emailAuthor(); });
}

TabForm6::Controls TabForm6::bindControls() const {
    Controls c{};
    WControlBinder(*this).bind(c.report, "textb_1").bind(c.copy, "cb_1").bind(c.email, "cb_2").check();
    return c;
}

QString TabForm6::reportText() const { return c_.report->toPlainText(); }

void TabForm6::refreshReport() { c_.report->setPlainText(QString::fromStdString(supportReportText(systemPart_))); }

void TabForm6::copyToClipboard() {
    c_.report->selectAll();
    c_.report->copy();
    QTextCursor cursor = c_.report->textCursor();
    cursor.clearSelection();
    c_.report->setTextCursor(cursor);
}

QUrl TabForm6::mailUrl(const QString& report) {
    // Line breaks travel as CR LF, as mail addresses want them.
    QString body = report;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return QUrl::fromEncoded(QByteArray("mailto:") + QUrl::toPercentEncoding(QString::fromLatin1(kSupportEmail), "@") +
                             "?body=" + QUrl::toPercentEncoding(body));
}

void TabForm6::emailAuthor() { opener_(mailUrl(reportText())); }

}  // namespace orvanta
