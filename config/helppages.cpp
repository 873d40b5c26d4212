#include "config/helppages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "config/configpages.h"

namespace orvanta {

namespace {

constexpr const char* kGeneralTopic = "index.html";

}  // namespace

HelpPages::HelpPages(Opener opener) : opener_(std::move(opener)) {
    if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QString HelpPages::topicFile(int tabIndex) {
    const auto pages = configPages();
    if (tabIndex >= 0 && tabIndex < static_cast<int>(pages.size()))
        return QString::fromLatin1(pages[static_cast<std::size_t>(tabIndex)].helpTopic);
    return QString::fromLatin1(kGeneralTopic);
}

QStringList HelpPages::searchFolders() {
    const QString program = QCoreApplication::applicationDirPath();
    QStringList folders{QDir::cleanPath(program + "/../share/orvanta/help"), QDir::cleanPath(program + "/help")};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir::cleanPath(data + "/orvanta/help");
    folders.removeDuplicates();
    return folders;
}

bool HelpPages::show(int tabIndex) {
    if (state_ == State::NotLoaded) {
        ++lookups_;
        state_ = State::Failed;
        for (const QString& folder : searchFolders()) {
            if (QFileInfo(folder + "/" + kGeneralTopic).isFile()) {
                folder_ = folder;
                state_ = State::Loaded;
                break;
            }
        }
    }
    if (state_ != State::Loaded) return false;
    const QString page = folder_ + "/" + topicFile(tabIndex);
    if (!QFileInfo(page).isFile()) return false;
    return opener_(QUrl::fromLocalFile(page));
}

}  // namespace orvanta
