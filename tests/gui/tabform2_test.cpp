// The Picture Selection page on real widgets and real folders: adding,
// removing and de-duplicating directories, drag and drop, the file list, the
// preview sizes, the wallpaper sizes by stretch code, the favourites folder
// and Alt+F, and what OK stores.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTest>
#include <QUrl>
#include <deque>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "config/configuration.h"
#include "config/pagemessage.h"
#include "config/stretchmode.h"
#include "config/tabform1.h"
#include "config/tabform2.h"
#include "desktop/shelllink.h"
#include "framework/WChoosers.h"
#include "framework/WControls.h"
#include "framework/WTabControl.h"
#include "tests/gui/dialogtestenv.h"

using namespace orvanta;
using test::DialogHome;
using test::makePicture;

namespace {

struct Wallpaper {
    QSize size;
    std::string path;
    int writes = 0;
    int sets = 0;
    bool tiled = false;
};

// The page alone, with a scripted folder chooser, recorded wallpaper calls
// and a counted shutter sound.
struct Page {
    Wallpaper wallpaper;
    test::ScriptedChooser chooser;
    int snaps = 0;
    std::unique_ptr<TabForm2> form;

    explicit Page(const Settings& settings = {}) {
        WallpaperHooks hooks;
        hooks.writeBitmap = [this](const WBitmap& bitmap, const std::string& path) {
            wallpaper.size = QSize(bitmap.width(), bitmap.height());
            wallpaper.path = path;
            ++wallpaper.writes;
            return bitmap.saveBmp(path);
        };
        hooks.setDesktopWallpaper = [this](const std::string&, bool tiled) {
            ++wallpaper.sets;
            wallpaper.tiled = tiled;
            return true;
        };
        form = std::make_unique<TabForm2>(hooks);
        form->setFolderChooser(chooser.chooser());
        form->setSnapSound([this] { ++snaps; });
        form->setScreenSize({1024, 768});
        form->loadSettings(settings);
        form->resize(700, 400);
        form->show();
    }
    WListView* dirs() { return form->get<WListView>("lv_1"); }
    WListBox* files() { return form->get<WListBox>("lb_2"); }
    QString count() { return form->get<QLabel>("label_1")->text(); }
    QStringList dirTexts() { return test::itemTexts(dirs()); }
    QStringList fileTexts() { return test::itemTexts(files()); }
    void add(const QString& path) {
        chooser.answers.push_back(path);
        form->addDirectory();
    }
    void post(int code) {
        QCoreApplication::postEvent(form.get(),
                                    new PageMessageEvent(stretchModeChanged(static_cast<StretchMode>(code))));
        QCoreApplication::sendPostedEvents(form.get());
    }
    void selectDir(const QString& path) {
        const int index = dirs()->indexOf(path);
        QVERIFY(index >= 0);
        QTest::mouseClick(dirs()->viewport(), Qt::LeftButton, {},
                          dirs()->visualItemRect(dirs()->topLevelItem(index)).center());
        QCOMPARE(dirs()->selectedIndex(), index);
    }
    void selectFile(const QString& name) {
        const auto found = files()->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        files()->setCurrentItem(found.front());
    }
};

void sendUrlDrop(QWidget* target, const QList<QUrl>& urls) {
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    // As a real drag: the drop goes to the widget that accepted the entering drag.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    delete mime;
}

void sendDrop(QWidget* target, const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    sendUrlDrop(target, urls);
}

}  // namespace

class TabForm2Test : public QObject {
    Q_OBJECT

private slots:
    void addingADirectoryIgnoresAnExactDuplicateButKeepsACaseVariant() {
        DialogHome home;
        const QString pics = home.path("Pics"), lower = home.path("pics");
        makePicture(pics + "/a.jpg", {8, 8});
        makePicture(pics + "/b.PNG", {8, 8});
        QDir().mkpath(lower);
        Page page;
        page.add(pics);
        QCOMPARE(page.chooser.title, QString("Select a directory containing pictures."));
        QCOMPARE(page.chooser.status, QString("Selected directory has 2 pictures."));
        page.add(pics);
        QCOMPARE(page.chooser.start, pics);  // the last directory added is preselected
        QCOMPARE(page.dirTexts(), QStringList{pics});
        page.add(lower);
        QCOMPARE(page.dirTexts().size(), 2);
        QCOMPARE(page.dirs()->text(page.dirs()->selectedIndex()), lower);
        QCOMPARE(page.dirs()->image(0), 1);  // added as used
        // Cancelling changes nothing but still tidies and refreshes.
        page.chooser.answers.push_back(std::nullopt);
        page.form->addDirectory();
        QCOMPARE(page.dirTexts().size(), 2);
        Settings saved;
        page.form->collectSettings(saved);
        QCOMPARE(saved.LastAddedDir, lower.toStdString());
    }

    void theRealFolderChooserCountsThePicturesOfTheFolderUnderTheCursor() {
        DialogHome home;
        const QString start = home.path("start"), other = home.path("start/other");
        makePicture(start + "/a.jpg", {8, 8});
        makePicture(start + "/b.bmp", {8, 8});
        makePicture(other + "/c.png", {8, 8});
        Settings s;
        s.LastAddedDir = start.toStdString();
        TabForm2 page;
        page.loadSettings(s);
        page.show();
        QString title, atStart, atOther;
        test::answerNextModal<QFileDialog>([&](QFileDialog* chooser) {
            title = chooser->windowTitle();
            auto* status = chooser->findChild<QLabel*>(kFolderStatusName);
            atStart = status ? status->text() : QString();
            // The user highlights the subfolder in the chooser's list.
            auto* view = chooser->findChild<QListView*>("listView");
            auto* model = view ? qobject_cast<QFileSystemModel*>(view->model()) : nullptr;
            for (int i = 0; i < 100 && model && !model->index(other).isValid(); ++i) QTest::qWait(20);
            if (model && model->index(other).isValid()) view->setCurrentIndex(model->index(other));
            atOther = status ? status->text() : QString();
            static_cast<QDialog*>(chooser)->accept();  // as the Choose button does
        });
        page.addDirectory();
        QCOMPARE(title, QString("Select a directory containing pictures."));
        QCOMPARE(atStart, QString("Selected directory has 2 pictures."));  // the folder it opens in
        QCOMPARE(atOther, QString("Selected directory has 1 pictures."));
        QCOMPARE(page.get<WListView>("lv_1")->text(0), other);
    }

    void theFileListShowsThePicturesOfTheSelectedDirectory() {
        DialogHome home;
        const QString dir = home.path("mixed");
        makePicture(dir + "/zeta.jpg", {8, 8});
        makePicture(dir + "/Alpha.JPEG", {8, 8});
        makePicture(dir + "/target/inside.png", {8, 8});
        QFile(dir + "/notes.txt").open(QIODevice::WriteOnly);
        QVERIFY(createShortcut((dir + "/target/inside.png").toStdString(), (dir + "/link to png.lnk").toStdString(),
                               "Shortcut") == 0);
        QFile broken(dir + "/broken.lnk");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a shortcut");
        broken.close();
        Page page;
        page.add(dir);
        QCOMPARE(page.fileTexts(), (QStringList{"Alpha.JPEG", "link to png.lnk", "zeta.jpg"}));
        QCOMPARE(page.count(), QString("Selected directory has 3 pictures."));
        QCOMPARE(page.files()->currentRow(), 0);

        // The shortcut previews as the PNG it points to.
        page.selectFile("link to png.lnk");
        page.form->setPreview(true);
        QCOMPARE(page.form->previewSize(), QSize(120, 120));
    }

    void clickingAFolderShowsItsPicturesAndTheKeyboardKeepsTheFocus() {
        DialogHome home;
        makePicture(home.path("one/a.jpg"), {8, 8});
        makePicture(home.path("two/b.jpg"), {8, 8});
        makePicture(home.path("two/c.jpg"), {8, 8});
        Settings s;
        s.imageDirs = {{home.path("one").toStdString(), true}, {home.path("two").toStdString(), true}};
        Page page(s);
        page.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.form.get()));
        page.selectDir(home.path("two"));
        QCOMPARE(page.fileTexts(), (QStringList{"b.jpg", "c.jpg"}));
        QVERIFY(page.files()->hasFocus());
        page.dirs()->setFocus();
        QTest::keyClick(page.dirs(), Qt::Key_Up);
        QCOMPARE(page.fileTexts(), QStringList{"a.jpg"});
        QCOMPARE(page.count(), QString("Selected directory has 1 pictures."));
        QVERIFY(page.dirs()->hasFocus());
    }

    void addingSubdirectoriesSkipsTrashAndSameFolderCaseVariants() {
        DialogHome home;
        const QString root = home.path("root");
        for (const char* sub :
             {"Pics/inner", "Other", "other", "$RECYCLE.BIN/lost", "$Recycle.Bin", ".Trash-1000/files"})
            QVERIFY(QDir().mkpath(root + "/" + sub));
        QVERIFY(QFile::link(root + "/Pics", root + "/PICS"));
        Page page;
        page.add(root + "/PICS");  // the same folder as Pics, spelt otherwise
        page.add(root);
        page.selectDir(root);
        const int selected = page.dirs()->selectedIndex();
        page.form->addSubdirectories();
        const QStringList dirs = page.dirTexts();
        QVERIFY(dirs.contains(root + "/Other"));
        QVERIFY(dirs.contains(root + "/other"));  // two folders on this file system
        // Pics and PICS are one folder: listed once, with its subfolder once.
        QCOMPARE(dirs.filter(QRegularExpression("/root/pics$", QRegularExpression::CaseInsensitiveOption)).size(), 1);
        QCOMPARE(dirs.filter(QRegularExpression("/inner$")).size(), 1);
        for (const QString& dir : dirs) {
            QVERIFY2(!dir.contains("RECYCLE", Qt::CaseInsensitive) && !dir.contains(".Trash"), qPrintable(dir));
        }
        QCOMPARE(dirs.count(root), 1);
        QCOMPARE(page.dirs()->selectedIndex(), selected);
        for (int i = 0; i < page.dirs()->count(); ++i) QCOMPARE(page.dirs()->image(i), 1);
    }

    void droppingFoldersAddsThemAsTheyAreAndIgnoresFiles() {
        DialogHome home;
        const QString dir = home.path("dropped");
        const QString file = makePicture(home.path("loose.jpg"), {4, 4});
        QDir().mkpath(dir);
        Page page;
        sendDrop(page.dirs()->viewport(), {file, dir});
        QCOMPARE(page.dirTexts(), QStringList{dir});
        sendDrop(page.dirs()->viewport(), {dir});
        QCOMPARE(page.dirTexts(), (QStringList{dir, dir}));  // no tidying after a drop
    }

    void removingTheLastDirectoryResetsThePage() {
        DialogHome home;
        const QString a = home.path("a"), b = home.path("b"), c = home.path("c");
        makePicture(b + "/one.jpg", {30, 20});
        QDir().mkpath(a);
        QDir().mkpath(c);
        Page page;
        for (const QString& dir : {a, b, c}) page.add(dir);
        page.selectDir(c);
        page.form->removeSelected();
        QCOMPARE(page.dirTexts(), (QStringList{a, b}));
        QCOMPARE(page.dirs()->selectedIndex(), 1);  // the one before
        QCOMPARE(page.fileTexts(), QStringList{"one.jpg"});
        QTest::mouseClick(page.form->get<QCheckBox>("checkbox_1"), Qt::LeftButton);
        QVERIFY(page.form->get<QPushButton>("WallButton")->isEnabled());
        QCOMPARE(page.form->previewSize(), QSize(160, 106));

        page.form->removeSelected();
        page.form->removeSelected();
        QCOMPARE(page.dirs()->count(), 0);
        QCOMPARE(page.files()->count(), 0);
        QCOMPARE(page.count(), QString("Selected directory has 0 pictures."));
        QVERIFY(!page.form->get<QCheckBox>("checkbox_1")->isChecked());
        QVERIFY(!page.form->get<QPushButton>("WallButton")->isEnabled());
        QCOMPARE(page.form->previewSize(), QSize());  // the placeholder, not a preview
    }

    void useFlagsToggleByDoubleClickAndAllAtOnce() {
        Settings s;
        s.imageDirs = {{"/b", true}, {"/a", false}};
        Page page(s);
        QCOMPARE(page.dirTexts(), (QStringList{"/a", "/b"}));
        QCOMPARE(page.dirs()->selectedIndex(), 0);
        QTest::mouseDClick(page.dirs()->viewport(), Qt::LeftButton, {},
                           page.dirs()->visualItemRect(page.dirs()->topLevelItem(0)).center());
        QCOMPARE(page.dirs()->image(0), 1);
        QTest::mouseClick(page.form->get<QPushButton>("Desel_All"), Qt::LeftButton);
        QCOMPARE(page.dirs()->image(0) + page.dirs()->image(1), 0);
        QTest::mouseClick(page.form->get<QPushButton>("Sel_All"), Qt::LeftButton);
        QCOMPARE(page.dirs()->image(0) + page.dirs()->image(1), 2);
        // The hidden duplicate controls exist but are never shown.
        QVERIFY(!page.form->control("checkbox_2")->isVisible());
        QVERIFY(!page.form->control("cb_1")->isVisible());
        QVERIFY(!page.form->control("SC_Button")->isVisible());
    }

    void previewsFitTheBoxOfTheScreensDpi() {
        QCOMPARE(TabForm2::previewBoxFor(96), QSize(160, 120));
        QCOMPARE(TabForm2::previewBoxFor(120), QSize(200, 150));
        QCOMPARE(TabForm2::previewBoxFor(144), QSize(240, 180));
        QCOMPARE(TabForm2::previewBoxFor(100), QSize(166, 125));
        QCOMPARE(TabForm2::fitToBox({1600, 1200}, {160, 120}), QSize(160, 120));
        QCOMPARE(TabForm2::fitToBox({40, 20}, {160, 120}), QSize(160, 80));
        QCOMPARE(TabForm2::fitToBox({300, 900}, {160, 120}), QSize(40, 120));

        DialogHome home;
        const QString dir = home.path("sizes");
        makePicture(dir + "/big.jpg", {1600, 1200});
        makePicture(dir + "/small.png", {40, 20});
        QFile bad(dir + "/bad.jpg");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("\xff\xd8 broken");
        bad.close();
        if (qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchY()) != 96)
            QSKIP("the screen does not have 96 pixels per inch; the sizes above cover the rule");
        Page page;
        QCOMPARE(page.form->previewBox(), QSize(160, 120));
        page.add(dir);
        page.form->setPreview(true);
        page.selectFile("big.jpg");
        QCOMPARE(page.form->previewSize(), QSize(160, 120));
        page.selectFile("small.png");
        QCOMPARE(page.form->previewSize(), QSize(160, 80));
        page.selectFile("bad.jpg");
        QCOMPARE(page.form->previewSize(), QSize(160, 120));  // the 4:3 placeholder
        // The preview with its border fits inside the picture frame.
        auto* frame = page.form->get<WPictureFrame>("pictb_1");
        QVERIFY(frame->rect().contains(frame->pictureRect()));
    }

    void wallpapersAreSizedByTheStretchCode_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<QSize>("wallpaper");
        QTest::addColumn<bool>("tiled");
        QTest::newRow("2 X") << 4 << QSize(100, 100) << QSize(200, 200) << false;
        QTest::newRow("full screen") << 1 << QSize(100, 100) << QSize(1024, 768) << false;
        QTest::newRow("screen limit") << 2 << QSize(100, 100) << QSize(768, 768) << false;
        QTest::newRow("1.5 X") << 3 << QSize(100, 60) << QSize(150, 90) << false;
        QTest::newRow("none, tiled") << 410 << QSize(100, 100) << QSize(100, 100) << true;
        QTest::newRow("none") << 40 << QSize(2000, 100) << QSize(2000, 100) << false;
        QTest::newRow("shrink, fits") << 30 << QSize(100, 100) << QSize(100, 100) << false;
        QTest::newRow("shrink, too wide, tiled") << 310 << QSize(2048, 512) << QSize(1024, 256) << true;
    }
    void wallpapersAreSizedByTheStretchCode() {
        QFETCH(int, code);
        QFETCH(QSize, picture);
        QFETCH(QSize, wallpaper);
        QFETCH(bool, tiled);
        QCOMPARE(wallpaperSize(static_cast<StretchMode>(code), picture, {1024, 768}), wallpaper);

        DialogHome home;
        makePicture(home.path("wall/picture.png"), picture);
        Page page;
        page.add(home.path("wall"));
        page.post(code);
        QCOMPARE(page.form->stretchCode(), code);
        page.form->setPreview(true);
        QTest::mouseClick(page.form->get<QPushButton>("WallButton"), Qt::LeftButton);
        QCOMPARE(page.wallpaper.writes, 1);
        QCOMPARE(page.wallpaper.size, wallpaper);
        QCOMPARE(QString::fromStdString(page.wallpaper.path), home.path("xdg_data_home/orvanta/OrvantaWallpaper.bmp"));
        QCOMPARE(QImage(QString::fromStdString(page.wallpaper.path)).size(), wallpaper);
        QCOMPARE(page.wallpaper.sets, 1);
        QCOMPARE(page.wallpaper.tiled, tiled);
        QCOMPARE(test::storedValues("Control Panel\\Desktop").at("TileWallpaper"), std::string(tiled ? "1" : "0"));
    }

    void theWallpaperFollowsThePictureSettingsPageThroughTheDialog() {
        DialogHome home;
        makePicture(home.path("wall/picture.jpg"), {100, 100});
        test::storeValues({{"Count", "1"}, {"ImageDir0", home.path("wall").toStdString()}, {"DirSet0", "1"}});
        QSize written;
        ConfigurationOptions options;
        options.wallpaper.writeBitmap = [&](const WBitmap& bitmap, const std::string&) {
            written = QSize(bitmap.width(), bitmap.height());
            return true;
        };
        Configuration dialog(options);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.tabForm2()->setScreenSize({1024, 768});
        QComboBox* limit = dialog.tabForm1()->get<QComboBox>("ProportCombo");
        limit->setFocus();
        QTest::keyClick(limit, Qt::Key_Down);
        QTest::keyClick(limit, Qt::Key_Down);  // "2 X"
        dialog.tabControl()->setCurrentIndex(1);
        QTRY_COMPARE(dialog.tabForm2()->stretchCode(), 4);
        QTest::mouseClick(dialog.tabForm2()->get<QCheckBox>("checkbox_1"), Qt::LeftButton);
        QTest::mouseClick(dialog.tabForm2()->get<QPushButton>("WallButton"), Qt::LeftButton);
        QCOMPARE(written, QSize(200, 200));
    }

    void theFavouritesFolderAndAltF() {
        DialogHome home;
        const QString pictures = home.path("pictures"), favourites = home.path("favourites");
        makePicture(pictures + "/beach.jpg", {10, 10});
        QVERIFY(createShortcut((pictures + "/beach.jpg").toStdString(), (pictures + "/again.lnk").toStdString(), "x") ==
                0);
        QDir().mkpath(favourites);
        Settings s;
        s.CurrentFavDir = home.path("old").toStdString();
        Page page(s);
        QCOMPARE(page.form->get<QLineEdit>("FavDir")->text(), home.path("old"));
        page.add(pictures);
        page.chooser.answers.push_back(favourites);
        QTest::mouseClick(page.form->get<QPushButton>("Fav_Choose"), Qt::LeftButton);
        QCOMPARE(page.chooser.title, QString("Select a directory to store shortcuts to favorite pictures."));
        QCOMPARE(page.chooser.start, home.path("old"));
        QCOMPARE(page.form->get<QLineEdit>("FavDir")->text(), favourites);
        QVERIFY(page.dirTexts().contains(favourites));  // also a picture directory now
        Settings saved;
        page.form->collectSettings(saved);
        QCOMPARE(saved.CurrentFavDir, favourites.toStdString());

        page.selectDir(pictures);
        page.selectFile("beach.jpg");
        page.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(page.form.get()));
        QTest::keyClick(page.files(), Qt::Key_F, Qt::AltModifier);
        const QStringList links = QDir(favourites).entryList({"beach-*.jpg.lnk"}, QDir::Files);
        QCOMPARE(links.size(), 1);
        QCOMPARE(page.snaps, 1);
        std::string target;
        QVERIFY(resolveShortcut((favourites + "/" + links.front()).toStdString(), target) != 0);
        QCOMPARE(QString::fromStdString(target), pictures + "/beach.jpg");

        // A shortcut is not saved as a favourite again.
        page.selectFile("again.lnk");
        QTest::keyClick(page.files(), Qt::Key_F, Qt::AltModifier);
        QCOMPARE(QDir(favourites).entryList({"*.lnk"}, QDir::Files).size(), 1);
        QCOMPARE(page.snaps, 1);
    }

    void okStoresTheDirectoriesInListOrderWithTheirFlags() {
        DialogHome home;
        test::storeValues({{"Count", "3"},
                           {"ImageDir0", "/zulu"},
                           {"DirSet0", "1"},
                           {"ImageDir1", "/Alpha"},
                           {"DirSet1", "0"},
                           {"ImageDir2", "/mike"},
                           {"DirSet2", "1"},
                           {"Effects", "1"},
                           {"Transitions", std::string(35, '0')}});
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        const auto values = test::storedValues();
        QCOMPARE(values.at("Count"), std::string("3"));
        QCOMPARE(values.at("ImageDir0"), std::string("/Alpha"));
        QCOMPARE(values.at("DirSet0"), std::string("0"));
        QCOMPARE(values.at("ImageDir1"), std::string("/mike"));
        QCOMPARE(values.at("DirSet1"), std::string("1"));
        QCOMPARE(values.at("ImageDir2"), std::string("/zulu"));
        QCOMPARE(values.at("Effects"), std::string("0"));  // no transition is on
        QCOMPARE(values.at("Transitions"), std::string(35, '0'));
    }

    void namesThatAreNotUtf8AreListedCountedPreviewedAndStoredAsTheirBytes() {
        // Latin-1 names, as disks written on older systems hold them.
        DialogHome home;
        const std::string cafe = home.path().toStdString() + "/caf\xE9", other = home.path().toStdString() + "/caf\xE8";
        const std::string picture = cafe + "/\xE9t\xE9.bmp";
        makePicture(home.path("plain.bmp"), {8, 8});
        QVERIFY(::mkdir(cafe.c_str(), 0700) == 0 && ::mkdir(other.c_str(), 0700) == 0);
        QVERIFY(::rename(home.path("plain.bmp").toStdString().c_str(), picture.c_str()) == 0);
        test::storeValues({{"Count", "2"},
                           {"ImageDir0", cafe},
                           {"DirSet0", "1"},
                           {"ImageDir1", other},
                           {"DirSet1", "0"},
                           {"CurrentFavDir", other}});
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.tabControl()->setCurrentIndex(1);
        TabForm2* page = dialog.tabForm2();
        auto* dirs = page->get<WListView>("lv_1");
        QCOMPARE(test::itemTexts(dirs), QStringList(2, home.path() + QString::fromUtf8("/caf\uFFFD")));
        dirs->selectItem(dirs->image(0) == 1 ? 0 : 1);
        page->refreshFileList();
        QCOMPARE(page->get<QLabel>("label_1")->text(), QString("Selected directory has 1 pictures."));
        QCOMPARE(test::itemTexts(page->get<WListBox>("lb_2")), QStringList{QString::fromUtf8("\uFFFDt\uFFFD.bmp")});
        page->setPreview(true);  // the picture itself, read through its own name
        const QImage preview = page->get<WPictureFrame>("pictb_1")->framedPicture();
        QCOMPARE(preview.pixelColor(preview.width() / 2, preview.height() / 2), QColor(200, 80, 40));
        int snaps = 0;
        page->setSnapSound([&] { ++snaps; });
        page->saveFavourite();  // a shortcut to it in the favourites folder, named in Latin-1 too
        QCOMPARE(snaps, 1);
        QVERIFY(::rmdir(other.c_str()) != 0);  // not empty: the shortcut is there
        QVERIFY(!QFileInfo::exists(home.path() + QString::fromUtf8("/caf\uFFFD")));
        // A folder dropped from a file manager comes as a URL of its bytes.
        const std::string dropped = home.path().toStdString() + "/caf\xEA";
        QVERIFY(::mkdir(dropped.c_str(), 0700) == 0);
        sendUrlDrop(dirs->viewport(),
                    QList<QUrl>{QUrl::fromEncoded("file://" + QByteArray(dropped.c_str()).toPercentEncoding("/"))});
        QCOMPARE(dirs->count(), 3);
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        const auto values = test::storedValues();
        const std::set<std::string> stored{values.at("ImageDir0") + values.at("DirSet0"),
                                           values.at("ImageDir1") + values.at("DirSet1"),
                                           values.at("ImageDir2") + values.at("DirSet2")};
        QCOMPARE(stored, (std::set<std::string>{cafe + "1", other + "0", dropped + "1"}));
        QCOMPARE(values.at("CurrentFavDir"), other);
    }

    void newDirectoryEntriesAreWrittenAsPairsAfterTheSettingsThatPrecedeThem() {
        DialogHome home;
        for (const char* name : {"b", "C", "a"}) QDir().mkpath(home.path(name));
        Configuration dialog;
        std::deque<QString> answers{home.path("b"), home.path("C"), home.path("a")};
        dialog.tabForm2()->setFolderChooser([&](const QString&, const QString&, const auto&) -> std::optional<QString> {
            const QString next = answers.front();
            answers.pop_front();
            return next;
        });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const std::vector<std::string> before = test::storedOrder();  // the dialog's defaults
        for (int i = 0; i < 3; ++i) dialog.tabForm2()->addDirectory();
        QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        const auto values = test::storedValues();
        QCOMPARE(values.at("Count"), std::string("3"));
        QCOMPARE(values.at("ImageDir0"), home.path("a").toStdString());
        QCOMPARE(values.at("ImageDir1"), home.path("b").toStdString());
        QCOMPARE(values.at("ImageDir2"), home.path("C").toStdString());
        std::vector<std::string> added = test::storedOrder();
        added.erase(added.begin(), added.begin() + static_cast<std::ptrdiff_t>(before.size()));
        QCOMPARE(added,
                 (std::vector<std::string>{"ImageDir0", "DirSet0", "ImageDir1", "DirSet1", "ImageDir2", "DirSet2"}));
        QCOMPARE(values.at("LastAddedDir"), home.path("a").toStdString());
    }

    void showingThePageRefreshesItsFilesAndKeepsTheChosenOne() {
        DialogHome home;
        const QString dir = home.path("show");
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) makePicture(dir + "/" + name, {8, 8});
        test::storeValues({{"Count", "1"}, {"ImageDir0", dir.toStdString()}, {"DirSet0", "1"}});
        Configuration dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        TabForm2* page = dialog.tabForm2();
        dialog.tabControl()->setCurrentIndex(1);
        QCOMPARE(page->get<WListBox>("lb_2")->count(), 3);
        page->get<WListBox>("lb_2")->setCurrentRow(2);
        makePicture(dir + "/d.jpg", {8, 8});
        dialog.tabControl()->setCurrentIndex(0);
        dialog.tabControl()->setCurrentIndex(1);
        QCOMPARE(page->get<WListBox>("lb_2")->count(), 4);
        QCOMPARE(page->get<WListBox>("lb_2")->currentRow(), 2);
        QCOMPARE(page->get<QLabel>("label_1")->text(), QString("Selected directory has 4 pictures."));
    }
};

QTEST_MAIN(TabForm2Test)
#include "tabform2_test.moc"
