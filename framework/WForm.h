#pragma once
// A form built from its layout table: every control of the table becomes a
// Qt widget, child of the form, placed by converting dialog units to pixels
// with the form font's base units as dialogs do (x · average width / 4,
// y · height / 8). Radio buttons form groups that start at a control flagged
// "group"; "auto" check boxes and radios toggle themselves; "hidden"
// controls exist but are never shown; "disabled" ones start greyed and keep
// their state. Kinds and flags understood:
//
//   label, link, groupbox, bar, picture, button (default), checkbox, autocheckbox,
//   autoradio, combo (editable), listview (sorted), listbox (sorted), edit
//   (readonly, multiline, vscroll, noborder), slider (ticks, hand), tabcontrol
//   flags for all: group, disabled, hidden, font=<description>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <map>
#include <stdexcept>
#include <string>

#include "base/WLayoutTable.h"
#include "framework/WEvent.h"

class QButtonGroup;

namespace orvanta {

// A font's dialog base units: the average width of the letters A-Z and a-z,
// rounded as dialogs round it, and the font's height.
struct DialogUnits {
    int baseX = 4, baseY = 8;
    static DialogUnits of(const QFont& font);
    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int w, int h) const;
};

class WForm : public QWidget {
public:
    // Builds the form and its controls. The form's font is the table's font
    // (through the font description rules of the settings), its size the
    // form row's size. Throws std::runtime_error for a control kind it does
    // not know.
    explicit WForm(const LayoutTable& table, QWidget* parent = nullptr);
    ~WForm() override;

    // Reads a table from a file or Qt resource path; throws std::runtime_error
    // (naming the path and line) when it is missing or malformed.
    static LayoutTable loadTable(const QString& path);

    const LayoutTable& table() const { return table_; }
    const DialogUnits& units() const { return units_; }
    const QString& formName() const { return name_; }

    // The control of that name, or nullptr. Forms keep the controls they use
    // in typed members, looked up once by a WControlBinder.
    QWidget* control(const std::string& name) const;
    // The control of that name as T; throws std::logic_error when it is
    // missing or of another kind (a table and its code disagree).
    template <typename T>
    T* get(const std::string& name) const {
        T* widget = dynamic_cast<T*>(control(name));
        if (!widget) throw std::logic_error(name_.toStdString() + ": no control " + name + " of the expected kind");
        return widget;
    }
    // The radio group a radio belongs to.
    QButtonGroup* radioGroupOf(const std::string& name) const;

    // The form that receives the events this form posts (its parent form).
    void setOwnerForm(QObject* owner) { owner_ = owner; }
    QObject* ownerForm() const { return owner_; }

    WEvent<> ShowEvent;   // the form became visible
    WEvent<> PaintEvent;  // after the form has painted itself

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* build(const LayoutControl& control);

    LayoutTable table_;
    QString name_;
    DialogUnits units_;
    std::map<std::string, QWidget*> controls_;
    std::map<std::string, QButtonGroup*> radioGroups_;
    QObject* owner_ = nullptr;
};

// The Qt font of a form's font description ("8.MS Sans Serif").
QFont formFont(const std::string& description);

}  // namespace orvanta
