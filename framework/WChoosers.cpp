#include "framework/WChoosers.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QLabel>

namespace orvanta {

std::optional<QColor> chooseColor(QWidget* owner, const QString& title, const QColor& initial,
                                  const std::array<QColor, 16>& custom) {
    for (int i = 0; i < 16; ++i) QColorDialog::setCustomColor(i, custom[static_cast<std::size_t>(i)]);
    QColorDialog dialog(initial, owner);
    dialog.setWindowTitle(title);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedColor();
}

std::optional<QFont> chooseFont(QWidget* owner, const QString& title, const QFont& initial) {
    // The chooser lists installed families only: a face that is not
    // installed is preselected as the family the system draws it with.
    QFont shown(initial);
    shown.setFamily(QFontInfo(initial).family());
    QFontDialog dialog(shown, owner);
    dialog.setWindowTitle(title);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedFont();
}

std::optional<QString> chooseFolder(QWidget* owner, const QString& title, const QString& start,
                                    const std::function<QString(const QString& path)>& status) {
    QFileDialog dialog(owner, title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (!start.isEmpty() && QFileInfo(start).isDir()) dialog.setDirectory(start);

    auto* line = new QLabel(&dialog);
    line->setObjectName(kFolderStatusName);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) grid->addWidget(line, grid->rowCount(), 0, 1, -1);
    auto describe = [&](const QString& path) {
        line->setText(status && !path.isEmpty() && QFileInfo(path).isDir() ? status(path) : QString());
    };
    QObject::connect(&dialog, &QFileDialog::currentChanged, line, describe);
    QObject::connect(&dialog, &QFileDialog::directoryEntered, line, describe);
    describe(dialog.directory().absolutePath());

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return QString();
    return QDir::cleanPath(chosen.front());
}

}  // namespace orvanta
