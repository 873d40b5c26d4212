#pragma once
// The choosers of the settings pages: a colour chooser with sixteen preset
// custom colours, a font chooser, and a folder chooser whose status line
// describes the folder under the cursor. All are modal to their owner.
#include <QColor>
#include <QFont>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QWidget;

namespace orvanta {

// Opens the colour chooser titled `title` with `initial` selected and the
// custom colours set to `custom`. The chosen colour, or nullopt on Cancel.
std::optional<QColor> chooseColor(QWidget* owner, const QString& title, const QColor& initial,
                                  const std::array<QColor, 16>& custom);

// Opens the font chooser titled `title` with `initial` selected (a face that
// is not installed as the family that stands in for it). The chosen font, or
// nullopt on Cancel.
std::optional<QFont> chooseFont(QWidget* owner, const QString& title, const QFont& initial);

// Opens the folder chooser titled `title` inside `start` (when it exists).
// While the user moves from folder to folder, the status line shows
// status(path) for the folder under the cursor. The chosen folder's path,
// or nullopt on Cancel.
std::optional<QString> chooseFolder(QWidget* owner, const QString& title, const QString& start,
                                    const std::function<QString(const QString& path)>& status);

// The object name of the folder chooser's status line, for tests.
inline constexpr const char* kFolderStatusName = "folderStatus";

}  // namespace orvanta
