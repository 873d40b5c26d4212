// The settings dialog's frame on real widgets: tabs and buttons, OK and the
// manual-mode notice, Cancel and the close button writing nothing, page
// events passed on, F1 and Help.
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/resource.h>

#include "config/configpage.h"
#include "config/configuration.h"
#include "config/stretchmode.h"
#include "config/tabform1.h"
#include "config/tabform2.h"
#include "framework/WTabControl.h"
#include "tests/gui/dialogtestenv.h"

using namespace orvanta;
using test::DialogHome;

namespace {

struct Notice {
    QString title, text;
};

ConfigurationOptions recordingOptions(std::vector<Notice>& notices, std::vector<QUrl>& opened) {
    ConfigurationOptions options;
    options.showMessage = [&notices](const QString& title, const QString& text) { notices.push_back({title, text}); };
    options.helpOpener = [&opened](const QUrl& url) { return opened.push_back(url), true; };
    return options;
}

void writeHelpPages(const DialogHome& home) {
    const QString folder = home.path("xdg_data_home/orvanta/help");
    QDir().mkpath(folder);
    for (int tab = -1; tab < 6; ++tab) {
        QFile page(folder + "/" + HelpPages::topicFile(tab));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><body>help</body></html>");
    }
}

// The text a control shows in full, or "" for controls without one.
QString shownText(const QWidget* widget) {
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text().remove('&');
    if (auto* label = qobject_cast<const QLabel*>(widget); label && !label->wordWrap()) return label->text();
    return {};
}

int textRoom(const QWidget* widget) {
    // What the control leaves for its text: check boxes and radios their indicator and spacing.
    if (qobject_cast<const QPushButton*>(widget)) return widget->width() - 4;
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return widget->width() -
               (button->sizeHint().width() - button->fontMetrics().horizontalAdvance(shownText(button)));
    return widget->width();
}

}  // namespace

class ConfigurationTest : public QObject {
    Q_OBJECT

private slots:
    void everyControlShowsItsWholeTextInsideItsPageAndNoneOverlap() {
        DialogHome home;
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        std::vector<QWidget*> forms{dialog.findChild<QWidget*>("Configuration")};
        for (int i = 0; i < 6; ++i) forms.push_back(dialog.page(i));
        for (std::size_t f = 0; f < forms.size(); ++f) {
            QWidget* form = forms[f];
            dialog.tabControl()->setCurrentIndex(f == 0 ? 0 : static_cast<int>(f) - 1);
            std::vector<QWidget*> controls;
            for (QWidget* child : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (!child->isHidden() && !child->objectName().isEmpty() && !dynamic_cast<ConfigPage*>(child))
                    controls.push_back(child);
            for (QWidget* control : controls) {
                const QString where = form->objectName() + "/" + control->objectName();
                QVERIFY2(QRect(QPoint(0, 0), form->size()).contains(control->geometry()) ||
                             dynamic_cast<WTabControl*>(control),
                         qPrintable(where + " lies outside its form"));
                const QString text = shownText(control);
                if (!text.isEmpty())
                    QVERIFY2(control->fontMetrics().horizontalAdvance(text) <= textRoom(control),
                             qPrintable(where + " cuts its text off"));
                for (QWidget* other : controls) {
                    if (other == control || qobject_cast<QGroupBox*>(control) || qobject_cast<QGroupBox*>(other))
                        continue;
                    QVERIFY2(!control->geometry().intersects(other->geometry()),
                             qPrintable(where + " overlaps " + other->objectName()));
                }
            }
            // Group boxes hold what starts inside them.
            for (QWidget* group : controls) {
                if (!qobject_cast<QGroupBox*>(group)) continue;
                for (QWidget* control : controls)
                    if (control != group && group->geometry().contains(control->geometry().topLeft()))
                        QVERIFY2(group->geometry().contains(control->geometry()),
                                 qPrintable(form->objectName() + "/" + control->objectName() + " sticks out of " +
                                            group->objectName()));
            }
        }
    }

    void theFrameHasSixTabsInOrderAndThreeButtons() {
        DialogHome home;
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.windowTitle(), QString("Orvanta Settings"));
        const QStringList labels{"Picture Settings", "Picture Selection", "Effects/Overlays",
                                 "Music Selection",  "About Orvanta",     "Support"};
        const QStringList forms{"TabForm1", "TabForm2", "TabForm4", "TabForm7", "TabForm3", "TabForm6"};
        WTabControl* tabs = dialog.tabControl();
        QCOMPARE(tabs->count(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(tabs->label(i), labels[i]);
            QCOMPARE(tabs->page(i)->objectName(), forms[i]);
            QCOMPARE(tabs->tabRect(i).width(), 120);
        }
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(dialog.okButton()->isDefault());
        QCOMPARE(dialog.okButton()->text(), QString("&OK"));
        QCOMPARE(dialog.cancelButton()->text(), QString("&Cancel"));
        QCOMPARE(dialog.helpButton()->text(), QString("&Help"));
        // Every page fits in the display area, and the buttons stay below the tabs.
        for (int i = 0; i < 6; ++i) {
            const ConfigPage* page = dialog.page(i);
            const LayoutControl& form = page->table().form;
            QVERIFY(tabs->displayRect().width() >= page->units().x(form.width));
            QVERIFY(tabs->displayRect().height() >= page->units().y(form.height));
        }
        QVERIFY(dialog.okButton()->geometry().top() > tabs->geometry().bottom());
        QVERIFY(dialog.rect().contains(dialog.helpButton()->geometry()));
        // Selecting a tab shows its page only.
        tabs->setCurrentIndex(3);
        QVERIFY(dialog.page(3)->isVisible());
        QVERIFY(!dialog.page(0)->isVisible());
    }

    void cancelAndTheCloseButtonWriteNothing() {
        DialogHome home;
        for (int way = 0; way < 3; ++way) {
            Configuration dialog;
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            const QByteArray before = home.registryBytes();
            QVERIFY(!before.isEmpty());  // the load created the key
            dialog.tabForm1()->findChild<QComboBox*>("combo_1")->setEditText("77");
            QTest::mouseClick(dialog.tabForm1()->findChild<QRadioButton*>("FullOption"), Qt::LeftButton);
            if (way == 0) QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
            if (way == 1) dialog.close();
            if (way == 2) QTest::keyClick(&dialog, Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(home.registryBytes(), before);
        }
    }

    void okWithDurationZeroShowsTheNoticeAndStillSaves() {
        DialogHome home;
        std::vector<Notice> notices;
        std::vector<QUrl> opened;
        Configuration dialog(recordingOptions(notices, opened));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.tabForm1()->findChild<QComboBox*>("combo_1")->setEditText("0");
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(notices.size(), std::size_t(1));
        QCOMPARE(notices[0].title, QString("Manual Slide Show Mode"));
        QVERIFY(notices[0].text.startsWith("You have set the display duration to zero seconds.  This sets Orvanta"));
        QVERIFY2(notices[0].text.contains("orvanta /s"), qPrintable(notices[0].text));
        QVERIFY(!notices[0].text.contains("Control Panel"));
        QCOMPARE(test::storedValues().at("Duration"), std::string("0"));

        // A duration above zero saves without a notice.
        notices.clear();
        Configuration again(recordingOptions(notices, opened));
        again.tabForm1()->findChild<QComboBox*>("combo_1")->setEditText("45 seconds");
        QTest::mouseClick(again.okButton(), Qt::LeftButton);
        QVERIFY(notices.empty());
        QCOMPARE(test::storedValues().at("Duration"), std::string("45"));
    }

    // OK that cannot write the settings keeps the dialog and the edits and
    // says why; OK once the cause is gone saves, Cancel still discards.
    void okThatCannotSaveSaysWhyAndKeepsTheDialogOpen() {
        struct Row {
            const char* what;
            bool folderIsAFile;  // else a disk that takes no more (the file size limit)
            QString reason;
            bool thenCancel;
        };
        const Row rows[] = {
            {"the settings folder is a file, then OK again", true, QString::fromLocal8Bit(strerror(ENOTDIR)), false},
            {"the disk is full, then Cancel", false, QString::fromLocal8Bit(strerror(EFBIG)), true},
        };
        for (const Row& row : rows) {
            DialogHome home;
            std::vector<Notice> notices;
            std::vector<QUrl> opened;
            Configuration dialog(recordingOptions(notices, opened));
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            const QByteArray before = home.registryBytes();
            dialog.tabForm1()->findChild<QComboBox*>("combo_1")->setEditText("77");

            QString file = home.registryFile();
            const QByteArray config = qgetenv("XDG_CONFIG_HOME");
            rlimit unlimited{};
            ::getrlimit(RLIMIT_FSIZE, &unlimited);
            if (row.folderIsAFile) {
                QFile blocker(home.path("blocker"));
                QVERIFY(blocker.open(QIODevice::WriteOnly));
                qputenv("XDG_CONFIG_HOME", home.path("blocker").toLocal8Bit());
                file = home.path("blocker/orvanta/HKEY_CURRENT_USER.reg");
            } else {
                std::signal(SIGXFSZ, SIG_IGN);
                const rlimit small{16, unlimited.rlim_max};
                QVERIFY(::setrlimit(RLIMIT_FSIZE, &small) == 0);
            }
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
            qputenv("XDG_CONFIG_HOME", config);
            ::setrlimit(RLIMIT_FSIZE, &unlimited);

            QVERIFY2(dialog.isVisible(), row.what);
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(notices.size(), std::size_t(1));
            QCOMPARE(notices[0].title, QString("Orvanta Settings"));
            QVERIFY2(notices[0].text.startsWith("The settings could not be saved."), qPrintable(notices[0].text));
            QVERIFY2(notices[0].text.contains(file + ": " + row.reason), qPrintable(notices[0].text));
            QCOMPARE(home.registryBytes(), before);
            QVERIFY(!QGuiApplication::overrideCursor());
            QCOMPARE(dialog.tabForm1()->findChild<QComboBox*>("combo_1")->currentText(), QString("77"));

            QTest::mouseClick(row.thenCancel ? dialog.cancelButton() : dialog.okButton(), Qt::LeftButton);
            QVERIFY(!dialog.isVisible());
            QCOMPARE(notices.size(), std::size_t(1));
            if (row.thenCancel) QCOMPARE(home.registryBytes(), before);
            else QCOMPARE(test::storedValues().at("Duration"), std::string("77"));
        }
    }

    void enterInTheDurationBoxPressesOk() {
        DialogHome home;
        std::vector<Notice> notices;
        std::vector<QUrl> opened;
        Configuration dialog(recordingOptions(notices, opened));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* duration = dialog.tabForm1()->findChild<QComboBox*>("combo_1");
        duration->setFocus();
        duration->lineEdit()->selectAll();
        QTest::keyClicks(duration->lineEdit(), "15");
        QTest::keyClick(duration->lineEdit(), Qt::Key_Return);
        QTRY_VERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(test::storedValues().at("Duration"), std::string("15"));
    }

    void theNoticeIsARealMessageBoxOverTheDialog() {
        DialogHome home;
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.tabForm1()->findChild<QComboBox*>("combo_1")->setEditText("abc");
        QString title;
        Qt::CursorShape cursor = Qt::WaitCursor;
        test::answerNextModal<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            cursor = QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor;
            box->button(QMessageBox::Ok)->click();
        });
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        QCOMPARE(title, QString("Manual Slide Show Mode"));
        QVERIFY(cursor != Qt::WaitCursor);
        QCOMPARE(test::storedValues().at("Duration"), std::string("0"));
        QVERIFY(!QGuiApplication::overrideCursor());  // the wait cursor is gone afterwards
    }

    void stretchCodesReachThePictureSelectionPageWhileAnotherTabIsShown() {
        DialogHome home;
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        TabForm2* selection = dialog.tabForm2();
        QTRY_COMPARE(selection->stretchCode(), kStretchProportional);  // posted at load
        QVERIFY(!selection->isVisible());
        QTest::mouseClick(dialog.tabForm1()->findChild<QRadioButton*>("FullOption"), Qt::LeftButton);
        QTRY_COMPARE(selection->stretchCode(), kStretchFull);
        std::vector<int> seen;
        dialog.MessageEvent.connect(
            [&](const PageMessage& message) { return seen.push_back(stretchModeCode(message.stretchMode)), false; });
        QTest::mouseClick(dialog.tabForm1()->findChild<QRadioButton*>("NoneOption"), Qt::LeftButton);
        QTRY_COMPARE(selection->stretchCode(), kStretchNone);
        QCOMPARE(seen, std::vector<int>{kStretchNone});
    }

    void f1AndHelpOpenThePageOfTheSelectedTab() {
        DialogHome home;
        writeHelpPages(home);
        std::vector<Notice> notices;
        std::vector<QUrl> opened;
        Configuration dialog(recordingOptions(notices, opened));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        for (int tab = 0; tab < 6; ++tab) {
            dialog.tabControl()->setCurrentIndex(tab);
            QTest::keyClick(dialog.focusWidget() ? dialog.focusWidget() : &dialog, Qt::Key_F1);
            QTest::mouseClick(dialog.helpButton(), Qt::LeftButton);
        }
        QCOMPARE(opened.size(), std::size_t(12));
        for (int tab = 0; tab < 6; ++tab) {
            for (int k = 0; k < 2; ++k) {
                const QUrl& url = opened[static_cast<std::size_t>(2 * tab + k)];
                QVERIFY(url.isLocalFile());
                QCOMPARE(QFileInfo(url.toLocalFile()).fileName(), HelpPages::topicFile(tab));
            }
        }
        dialog.tabControl()->setCurrentIndex(-1);
        dialog.showHelp();
        QCOMPARE(QFileInfo(opened.back().toLocalFile()).fileName(), QString("index.html"));
        QCOMPARE(dialog.helpPages().lookups(), 1);
    }

    void withoutHelpPagesNothingOpensAndTheLookupIsTriedOnce() {
        DialogHome home;
        std::vector<Notice> notices;
        std::vector<QUrl> opened;
        Configuration dialog(recordingOptions(notices, opened));
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::mouseClick(dialog.helpButton(), Qt::LeftButton);
        writeHelpPages(home);  // appearing later changes nothing
        QTest::mouseClick(dialog.helpButton(), Qt::LeftButton);
        QTest::keyClick(&dialog, Qt::Key_F1);
        QVERIFY(opened.empty());
        QVERIFY(notices.empty());
        QCOMPARE(dialog.helpPages().lookups(), 1);
        QVERIFY(dialog.isVisible());
    }
};

QTEST_MAIN(ConfigurationTest)
#include "configuration_test.moc"
