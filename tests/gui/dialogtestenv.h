#pragma once
// Shared by the settings dialog's GUI tests: a throwaway home for each test
// (HOME, XDG_CONFIG_HOME, XDG_DATA_HOME, XDG_DATA_DIRS, XDG_RUNTIME_DIR), the
// settings key as stored, pictures made on the spot, and modal windows
// answered from a timer.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "base/WRegistryKey.h"
#include "config/directorylist.h"
#include "framework/WControls.h"

namespace orvanta::test {

inline constexpr const char* kSettingsKey = "Software\\Quorrin\\Orvanta\\4.0";

class DialogHome {
public:
    DialogHome() {
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_RUNTIME_DIR"}) {
            const QString dir = path(QString::fromLatin1(name).toLower());
            QDir().mkpath(dir);
            QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            saved_[name] = qgetenv(name);
            qputenv(name, dir.toLocal8Bit());
        }
    }
    ~DialogHome() {
        for (const auto& [name, value] : saved_) qputenv(name.c_str(), value);
    }
    QString path(const QString& relative = {}) const {
        return relative.isEmpty() ? dir_.path() : dir_.path() + "/" + relative;
    }
    QString registryFile() const { return path("xdg_config_home/orvanta/HKEY_CURRENT_USER.reg"); }
    QByteArray registryBytes() const {
        QFile file(registryFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir dir_;
    std::map<std::string, QByteArray> saved_;
};

inline std::map<std::string, std::string> storedValues(const std::string& key = kSettingsKey) {
    WRegistryKey registry;
    std::map<std::string, std::string> values;
    if (!registry.open(RegistryRoot::CurrentUser, key)) return values;
    for (const std::string& name : registry.valueNames()) values[name] = registry.readString(name);
    return values;
}

inline std::vector<std::string> storedOrder(const std::string& key = kSettingsKey) {
    WRegistryKey registry;
    return registry.open(RegistryRoot::CurrentUser, key) ? registry.valueNames() : std::vector<std::string>{};
}

inline void storeValues(const std::map<std::string, std::string>& values, const std::string& key = kSettingsKey) {
    WRegistryKey registry;
    registry.create(RegistryRoot::CurrentUser, key);
    registry.beginBatch();
    for (const auto& [name, value] : values) registry.writeString(name, value);
    registry.commitBatch();
}

// A picture file of the given size, written in the format its extension names.
inline QString makePicture(const QString& path, QSize size, QColor colour = QColor(200, 80, 40)) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.save(path);
    return path;
}

// A folder chooser that answers from a script (nullopt: Cancel; no answer
// left: Cancel) and records what it was asked and what its status line said
// for the folder chosen.
struct ScriptedChooser {
    std::deque<std::optional<QString>> answers;
    QString title, start, status;

    FolderChooser chooser() {
        return [this](const QString& asked, const QString& from,
                      const std::function<QString(const QString&)>& describe) -> std::optional<QString> {
            title = asked;
            start = from;
            std::optional<QString> answer;
            if (!answers.empty()) {
                answer = answers.front();
                answers.pop_front();
            }
            status = answer && !answer->isEmpty() ? describe(*answer) : QString();
            return answer;
        };
    }
};

// The texts of a list's items, in list order.
inline QStringList itemTexts(const WListView* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->text(i);
    return texts;
}
inline QStringList itemTexts(const QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
}

// Calls `answer` with the next modal window that opens (checked every 20 ms
// for up to 5 seconds), from inside that window's event loop.
template <typename Window>
void answerNextModal(std::function<void(Window*)> answer) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, answer] {
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(window);
        } else if (++*tries > 250) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

}  // namespace orvanta::test
