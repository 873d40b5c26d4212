#include "config/tabform6.h"

#include <QDesktopServices>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include "config/productinfo.h"
#include "framework/displayfacts.h"
#include "settings/supportreport.h"

namespace orvanta {

TabForm6::TabForm6(Opener opener)
    : ConfigPage(WForm::loadTable(QStringLiteral(":/forms/TabForm6.form"))), opener_(std::move(opener)) {
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    report_ = get<QPlainTextEdit>("textb_1");
    systemPart_ = systemReportText(gatherSystemFacts(currentDisplayFacts()));
    report_->setPlainText(QString::fromStdString(systemPart_));

    ShowEvent.connect([this] { return refreshReport(), false; });
    connect(get<QPushButton>("cb_1"), &QPushButton::clicked, this, [this] { copyToClipboard(); });
    connect(get<QPushButton>("cb_2"), &QPushButton::clicked, this, [this] { emailAuthor(); });
}

QString TabForm6::reportText() const { return report_->toPlainText(); }

void TabForm6::refreshReport() { report_->setPlainText(QString::fromStdString(supportReportText(systemPart_))); }

void TabForm6::copyToClipboard() {
    report_->selectAll();
    report_->copy();
    QTextCursor cursor = report_->textCursor();
    cursor.clearSelection();
    report_->setTextCursor(cursor);
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
