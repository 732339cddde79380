// The icon list window's actions: enabling, reordering, deleting, adding, the three ways of
// saving, the closing question, and the insert case the Save command drives.

#include <cerrno>
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "iconfile/ico_format.h"
#include "iconfile/ico_reader.h"
#include "iconlist/list_icons.h"
#include "list_icons_support.h"
#include "platform/file_io.h"
#include "platform/qt/qt_path.h"
#include "platform/qt/scripted_seam.h"

using namespace gf;
using gf::test::ListFixture;
namespace fs = std::filesystem;

namespace {

// The line the windows add below a message for a file that is not there.
QString NoSuchFile() {
    return QStringLiteral("\n") + QString::fromStdString(gf::SystemReason(ENOENT));
}

QString Q(const fs::path& p) {
    return ToQString(p);
}

std::vector<std::string> Infos(const TListIcons& list) {
    return list.Icons.IconInfos;
}

struct Enabling {
    bool First, Previous, Next, Last;
    friend bool operator==(const Enabling&, const Enabling&) = default;
};

Enabling EnablingOf(const TListIcons& list) {
    return {list.MoveToFirst->isEnabled(), list.MoveToPrevious->isEnabled(),
            list.MoveToNext->isEnabled(), list.MoveToLast->isEnabled()};
}

QString OverwriteQuestion(const fs::path& target) {
    return "File\n" + Q(target) + "\nhas been existed. \nDo you want to overwrite it?";
}

}  // namespace

class TestListIconsEditing : public QObject {
    Q_OBJECT

  private slots:
    void init() { TListIcons::AddBatchCounter = 0; }

    void controlsCaptionsAndMenu();
    void enablingOfTheMoveActions();
    void reorderActions();
    void deleteSelectionRules();
    void addInsertsAtTheSelectionWithBatchLetters();
    void batchCounterCyclesThroughTheAtSign();
    void addPresetAndCancelled();
    void addFileWithoutIcons();
    void saveAllBytesAndOffsets();
    void saveAllAsksBeforeOverwriting();
    void failingSaveAllLeavesTheOldTarget();
    void saveAllTargetNotWritable();
    void saveIconsNumbering();
    void saveIconsSingleIconNoMessage();
    void saveSelectedIcon();
    void closingQuestion();
    void insertIntoExistingFile();
};

void TestListIconsEditing::controlsCaptionsAndMenu() {
    ListFixture f;
    TListIcons& l = *f.List;
    QCOMPARE(l.windowTitle(), QStringLiteral("Extract Icons"));
    QCOMPARE(l.BitBtn10->text(), QStringLiteral("First"));
    QCOMPARE(l.BitBtn8->text(), QStringLiteral("Prev"));
    QCOMPARE(l.BitBtn9->text(), QStringLiteral("Next"));
    QCOMPARE(l.BitBtn11->text(), QStringLiteral("Last"));
    QCOMPARE(l.BitBtn1->text(), QStringLiteral("Add Icon"));
    QCOMPARE(l.BitBtn2->text(), QStringLiteral("Save all in one"));
    QCOMPARE(l.BitBtn6->text(), QStringLiteral("Fresh"));
    QCOMPARE(l.BitBtn3->text(), QStringLiteral("Cancel"));
    QCOMPARE(l.BitBtn7->text(), QStringLiteral("OK"));
    QVERIFY(!l.BBFresh->isEnabled());
    QVERIFY(l.BBFresh->isHidden());
    QVERIFY(l.findChild<QWidget*>("GroupBox1"));
    QStringList items;
    for (QAction* a : l.PopupMenu1->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(items, (QStringList{"Save selected icon", "Save all as one icon file",
                                 "Save all icons", "-", "Delete selected icon", "Add icon"}));
    QCOMPARE(l.SaveDialog1.Filter, QStringLiteral("Icon|*.ico"));
    QCOMPARE(l.OpenDialog1.Filter, QStringLiteral("Icon|*.ico;*.exe;*.dll;*.ocx;*.scr|*.*|*.*"));
    // The menu item runs its action on the selected icon.
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    l.SelectedIndex = 1;
    const fs::path second = l.Icons.IconFiles[1];
    l.DeleteSelectedIcon1->trigger();
    QCOMPARE(l.Icons.Size(), std::size_t{2});
    QVERIFY(!fs::exists(second));
    l.Modified = false;
}

void TestListIconsEditing::enablingOfTheMoveActions() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    TListIcons& l = *f.List;
    l.SelectedIndex = 0;
    l.ActionList1Update();
    QCOMPARE(EnablingOf(l), (Enabling{false, false, true, true}));
    QCOMPARE(l.BitBtn10->isEnabled(), false);  // the buttons follow their actions
    QCOMPARE(l.BitBtn9->isEnabled(), true);
    l.SelectedIndex = 1;
    l.ActionList1Update();
    QCOMPARE(EnablingOf(l), (Enabling{true, true, true, true}));
    l.SelectedIndex = 2;
    l.ActionList1Update();
    QCOMPARE(EnablingOf(l), (Enabling{true, true, false, false}));
    QCOMPARE(l.BitBtn11->isEnabled(), false);
    QCOMPARE(l.BitBtn8->isEnabled(), true);
    // Every other action stays enabled.
    for (QAction* a : {l.AddIcon, l.SaveAll, l.SaveIcons, l.SaveSelectedIcon, l.DeleteSelectedIcon})
        QVERIFY(a->isEnabled());
    // A single icon cannot move.
    ListFixture g;
    g.Load(test::MakeIconsFile(g.Files / "one.ico", 1));
    g.List->Refresh();
    QCOMPARE(EnablingOf(*g.List), (Enabling{false, false, false, false}));
    // The selection made by a click updates the enabling.
    f.List->Refresh();
    f.List->Image1MouseDown(Qt::LeftButton, 2 * 128 + 3, 3);
    f.List->Image1MouseUp(Qt::LeftButton, 2 * 128 + 3, 3);
    QCOMPARE(EnablingOf(l), (Enabling{true, true, false, false}));
}

void TestListIconsEditing::reorderActions() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "four.ico", 4));
    TListIcons& l = *f.List;
    const auto files = l.Icons.IconFiles;
    auto order = [&] {
        std::vector<int> out;
        for (const auto& p : l.Icons.IconFiles)
            out.push_back(
                static_cast<int>(std::find(files.begin(), files.end(), p) - files.begin()));
        return out;
    };
    l.Refresh();
    l.SelectedIndex = 2;
    l.MoveToFirstExecute();
    QCOMPARE(order(), (std::vector<int>{2, 0, 1, 3}));
    QCOMPARE(l.SelectedIndex, 0);
    QVERIFY(l.Modified);
    QCOMPARE(l.Icons.IconInfos[0], std::string(" 2# 32x32x8bits"));  // descriptions move along
    l.Modified = false;
    l.MoveToPreviousExecute();  // on the first: nothing
    QCOMPARE(order(), (std::vector<int>{2, 0, 1, 3}));
    QVERIFY(!l.Modified);
    l.MoveToNextExecute();
    QCOMPARE(order(), (std::vector<int>{0, 2, 1, 3}));
    QCOMPARE(l.SelectedIndex, 1);
    QVERIFY(l.Modified);
    l.MoveToLastExecute();
    QCOMPARE(order(), (std::vector<int>{0, 1, 3, 2}));
    QCOMPARE(l.SelectedIndex, 3);
    l.Modified = false;
    l.MoveToNextExecute();  // on the last: nothing
    l.MoveToLastExecute();
    QVERIFY(!l.Modified);
    l.MoveToPreviousExecute();
    QCOMPARE(order(), (std::vector<int>{0, 1, 2, 3}));
    QCOMPARE(l.SelectedIndex, 2);
    // The selection is refreshed: frame and status line follow the moved icon.
    QCOMPARE(l.StatusLine(),
             QStringLiteral("(3/4)     2# 32x32x8bits     Right click to save the icon."));
    // The buttons run the same actions.
    l.BitBtn10->click();
    QCOMPARE(order(), (std::vector<int>{2, 0, 1, 3}));
    l.Modified = false;
}

void TestListIconsEditing::deleteSelectionRules() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "four.ico", 4));
    TListIcons& l = *f.List;
    const auto files = l.Icons.IconFiles;
    l.SelectedIndex = 1;
    l.DeleteSelectedIconExecute();
    QVERIFY(!fs::exists(files[1]));
    QCOMPARE(l.Icons.IconFiles, (std::vector<fs::path>{files[0], files[2], files[3]}));
    QCOMPARE(l.SelectedIndex, 2);  // the icon that was number 3
    QVERIFY(l.Modified);
    l.DeleteSelectedIconExecute();  // the last: the new last is selected
    QCOMPARE(l.Icons.IconFiles, (std::vector<fs::path>{files[0], files[2]}));
    QCOMPARE(l.SelectedIndex, 1);
    l.DeleteSelectedIconExecute();
    QCOMPARE(l.SelectedIndex, 0);
    l.DeleteSelectedIconExecute();
    QVERIFY(l.Icons.Empty());
    QCOMPARE(l.SelectedIndex, -1);
    QVERIFY(test::FolderEntries(f.Work.Path()).empty());
    l.Modified = false;
    l.DeleteSelectedIconExecute();  // nothing selected: nothing happens
    QVERIFY(!l.Modified);
}

void TestListIconsEditing::addInsertsAtTheSelectionWithBatchLetters() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "four.ico", 4));
    const fs::path three =
        test::MakeIconsFile(f.Files / "three.ico", {test::SolidIcon(16, 16, 4, 0xFF0000),
                                                    test::SolidIcon(24, 24, 8, 0xFF00),
                                                    test::SolidIcon(48, 48, 32, 0xFF)});
    TListIcons& l = *f.List;
    ScriptedSeam seam;
    seam.FileAnswers = {{Q(three)}, {Q(three)}};
    l.SelectedIndex = 2;
    l.AddIconExecute();
    QCOMPARE(seam.FileDialogsShown.size(), std::size_t{1});
    QCOMPARE(seam.FileDialogsShown[0].Mode, FileDialog::Kind::Open);
    QCOMPARE(l.Icons.Size(), std::size_t{7});
    QCOMPARE(Infos(l),
             (std::vector<std::string>{" 0# 32x32x8bits", " 1# 32x32x8bits", "A 0# 16x16x4bits",
                                       "A 1# 24x24x8bits", "A 2# 48x48x32bits", " 2# 32x32x8bits",
                                       " 3# 32x32x8bits"}));
    QCOMPARE(l.SelectedIndex, 5);  // the icon selected before stays selected
    QVERIFY(l.Modified);
    QCOMPARE(TListIcons::AddBatchCounter, 1);
    // The added icons' files lie in the working folder and are the window's.
    for (int i = 2; i < 5; ++i)
        QCOMPARE(l.Icons.IconFiles[i].parent_path(), f.Work.Path());

    l.SelectedIndex = 0;
    l.AddIconExecute();
    QCOMPARE(l.Icons.Size(), std::size_t{10});
    QCOMPARE(l.Icons.IconInfos[0], std::string("B 0# 16x16x4bits"));
    QCOMPARE(l.Icons.IconInfos[3], std::string(" 0# 32x32x8bits"));
    QCOMPARE(l.SelectedIndex, 3);

    // Each batch has its own frame colour.
    l.show();
    QVERIFY(QTest::qWaitForWindowExposed(&l));
    l.ResizeTimer->stop();
    l.Refresh();
    l.FinishDrawing();
    const int columns = l.ColumnCount;
    auto frameAt = [&](int i) {
        const auto o = iconlist::CellOrigin(i, columns);
        return l.Picture().pixelColor(o.X, o.Y);
    };
    QCOMPARE(frameAt(0), test::ToQColor((66 * 2533) & 0xFFFFFF));  // "B"
    QCOMPARE(frameAt(3), test::ToQColor(0x013CA0));                // the loader's blank
    QCOMPARE(frameAt(5), test::ToQColor((65 * 2533) & 0xFFFFFF));  // "A"
    l.Modified = false;
}

void TestListIconsEditing::batchCounterCyclesThroughTheAtSign() {
    ListFixture f;
    const fs::path one = test::MakeIconsFile(f.Files / "one.ico", 1);
    TListIcons& l = *f.List;
    l.OpenDialog1.Tag = 1;
    l.OpenDialog1.FileName = Q(one);
    TListIcons::AddBatchCounter = 24;
    std::vector<char> letters;
    for (int batch = 25; batch <= 28; ++batch) {
        l.SelectedIndex = 0;
        l.AddIconExecute();
        letters.push_back(l.Icons.IconInfos[0][0]);
    }
    QCOMPARE(letters, (std::vector<char>{'Y', '@', 'A', 'B'}));  // batches 25 .. 28
    QCOMPARE(TListIcons::AddBatchCounter, 2);
    // The counter is shared by every list window of the run.
    ListFixture g;
    g.List->OpenDialog1.Tag = 1;
    g.List->OpenDialog1.FileName = Q(one);
    g.List->AddIconExecute();
    QCOMPARE(g.List->Icons.IconInfos[0], std::string("C 0# 32x32x8bits"));
    l.Modified = false;
    g.List->Modified = false;
}

void TestListIconsEditing::addPresetAndCancelled() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "two.ico", 2));
    TListIcons& l = *f.List;
    ScriptedSeam seam;
    // Cancelled: nothing changes, Modified included.
    l.AddIconExecute();
    QCOMPARE(l.Icons.Size(), std::size_t{2});
    QVERIFY(!l.Modified);
    QCOMPARE(TListIcons::AddBatchCounter, 0);
    l.Modified = true;
    l.AddIconExecute();
    QVERIFY(l.Modified);
    // Preset: no dialog.
    seam.ClearRecord();
    l.OpenDialog1.Tag = 1;
    l.OpenDialog1.FileName = Q(test::MakeIconsFile(f.Files / "one.ico", 1));
    l.SelectedIndex = 1;
    l.AddIconExecute();
    QVERIFY(seam.FileDialogsShown.empty());
    QCOMPARE(l.Icons.IconInfos[1], std::string("A 0# 32x32x8bits"));
    QCOMPARE(l.SelectedIndex, 2);
    l.Modified = false;
}

void TestListIconsEditing::addFileWithoutIcons() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "two.ico", 2));
    TListIcons& l = *f.List;
    ScriptedSeam seam;
    l.OpenDialog1.Tag = 1;
    l.OpenDialog1.FileName = Q(f.Files / "missing.ico");
    l.AddIconExecute();
    QCOMPARE(seam.Messages,
             QStringList{"Can not open " + Q(f.Files / "missing.ico") + "!" + NoSuchFile()});
    QCOMPARE(l.Icons.Size(), std::size_t{2});
    QCOMPARE(TListIcons::AddBatchCounter, 0);  // no batch was added
    QVERIFY(l.Modified);
    l.Modified = false;
}

void TestListIconsEditing::saveAllBytesAndOffsets() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    TListIcons& l = *f.List;
    l.SelectedIndex = 0;
    l.MoveToLastExecute();  // list order, not file order, is written
    ScriptedSeam seam;
    const fs::path typed = f.Files / "out.png";
    seam.FileAnswers = {{Q(typed)}};
    QVERIFY(l.SaveAllExecute());
    QCOMPARE(seam.FileDialogsShown.size(), std::size_t{1});
    QCOMPARE(seam.FileDialogsShown[0].Title, QStringLiteral("Input file name"));
    QCOMPARE(seam.FileDialogsShown[0].Mode, FileDialog::Kind::Save);
    QVERIFY(!l.Modified);
    QVERIFY(!fs::exists(typed));
    const auto file = test::FileBytes(f.Files / "out.ico");
    QCOMPARE(file.size(), std::size_t{6702});
    auto dir = ReadIconDirectory(file);
    QVERIFY(dir.Ok());
    QCOMPARE(dir->Header.Type, std::uint16_t{1});
    QCOMPARE(dir->Header.Count, std::uint16_t{3});
    const std::uint32_t offsets[] = {54, 2270, 4486};
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(dir->Entries[k].ImageOffset, offsets[k]);
        QCOMPARE(dir->Entries[k].BytesInRes, std::uint32_t{2216});
        QCOMPARE(dir->Entries[k].BitCount, std::uint16_t{8});
        // Block k is the image of the k-th list entry, unchanged.
        const auto single = test::FileBytes(l.Icons.IconFiles[k]);
        QVERIFY(std::equal(single.begin() + 22, single.end(), file.begin() + offsets[k]));
    }
    QVERIFY(seam.Messages.isEmpty());
    QVERIFY(seam.Questions.isEmpty());
}

void TestListIconsEditing::saveAllAsksBeforeOverwriting() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "two.ico", 2));
    TListIcons& l = *f.List;
    const fs::path target = f.Files / "old.ico";
    const std::vector<std::uint8_t> old = {1, 2, 3};
    QVERIFY(WriteFileAtomic(target, old).Ok());
    ScriptedSeam seam;
    seam.FileAnswers = {{Q(f.Files / "old")}, {Q(target)}};
    seam.Answers = {Answer::No, Answer::Yes};
    l.Modified = true;
    QVERIFY(!l.SaveAllExecute());
    QCOMPARE(seam.Questions, QStringList{OverwriteQuestion(target)});
    QVERIFY(seam.Log.last().startsWith("ask [Save File] -> No"));
    QCOMPARE(test::FileBytes(target), old);
    QVERIFY(!l.Modified);  // the user chose; the question settles it
    QVERIFY(l.SaveAllExecute());
    QCOMPARE(test::FileBytes(target).size(), std::size_t{6 + 32 + 2 * 2216});
    // Cancelling the dialog leaves Modified as it was.
    l.Modified = true;
    QVERIFY(!l.SaveAllExecute());
    QVERIFY(l.Modified);
    l.Modified = false;
}

void TestListIconsEditing::failingSaveAllLeavesTheOldTarget() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    TListIcons& l = *f.List;
    const fs::path target = f.Files / "keep.ico";
    test::MakeIconsFile(target, 5);
    const auto before = test::FileBytes(target);
    const auto entriesBefore = test::FolderEntries(f.Files.Path());
    const fs::path lost = l.Icons.IconFiles[1];
    fs::remove(lost);
    ScriptedSeam seam;
    seam.FileAnswers = {{Q(target)}};
    seam.Answers = {Answer::Yes};
    l.Modified = true;
    QVERIFY(!l.SaveAllExecute());
    QCOMPARE(seam.Messages, QStringList{"Can not open " + Q(lost) + "!" + NoSuchFile()});
    QCOMPARE(test::FileBytes(target), before);
    QCOMPARE(test::FolderEntries(f.Files.Path()), entriesBefore);  // no temporary file left
    QVERIFY(l.Modified);                                           // nothing was saved
    l.Modified = false;
}

void TestListIconsEditing::saveAllTargetNotWritable() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "two.ico", 2));
    TListIcons& l = *f.List;
    ScriptedSeam seam;
    const fs::path target = f.Files / "no-such-folder" / "x.ico";
    l.SaveDialog1.Tag = 1;
    l.SaveDialog1.FileName = Q(target);
    QVERIFY(!l.SaveAllExecute());
    QVERIFY(seam.FileDialogsShown.empty());
    QCOMPARE(seam.Messages, QStringList{"Can not open " + Q(target) + "!" + NoSuchFile()});
    QVERIFY(!fs::exists(target.parent_path()));
}

void TestListIconsEditing::saveIconsNumbering() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    TListIcons& l = *f.List;
    const std::vector<std::uint8_t> existing = {7, 7, 7};
    QVERIFY(WriteFileAtomic(f.Files / "y_1.ico", existing).Ok());
    ScriptedSeam seam;
    seam.FileAnswers = {{Q(f.Files / "y.ico")}};
    l.SaveDialog1.Tag = 1;  // not consulted: the dialog is shown
    l.Modified = true;
    l.SaveIconsExecute();
    QCOMPARE(seam.FileDialogsShown.size(), std::size_t{1});
    QCOMPARE(seam.FileDialogsShown[0].Title, QStringLiteral("Input a basic name:"));
    QVERIFY(!l.Modified);
    QCOMPARE(test::FileBytes(f.Files / "y_0.ico"), test::FileBytes(l.Icons.IconFiles[0]));
    QCOMPARE(test::FileBytes(f.Files / "y_1.ico"), existing);
    QCOMPARE(test::FileBytes(f.Files / "y_2.ico"), test::FileBytes(l.Icons.IconFiles[1]));
    QCOMPARE(test::FileBytes(f.Files / "y_3.ico"), test::FileBytes(l.Icons.IconFiles[2]));
    const QString base = Q(f.Files / "y");
    QCOMPARE(seam.Messages, QStringList{"Icon has been saved as:\n" + base + "_0.ico\n" + base +
                                        "_1.ico\n...\n...\nand so on."});
}

void TestListIconsEditing::saveIconsSingleIconNoMessage() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "one.ico", 1));
    TListIcons& l = *f.List;
    ScriptedSeam seam;
    seam.FileAnswers = {{Q(f.Files / "solo")}};
    l.SaveIconsExecute();
    QVERIFY(fs::exists(f.Files / "solo_0.ico"));
    QVERIFY(seam.Messages.isEmpty());
    // Cancelled: Modified stays.
    l.Modified = true;
    l.SaveIconsExecute();
    QVERIFY(l.Modified);
    l.Modified = false;
}

void TestListIconsEditing::saveSelectedIcon() {
    ListFixture f;
    f.Load(test::MakeIconsFile(f.Files / "three.ico", 3));
    TListIcons& l = *f.List;
    ScriptedSeam seam;
    const fs::path target = f.Files / "chosen.ico";
    seam.FileAnswers = {{Q(f.Files / "chosen.bmp")}, {Q(target)}, {Q(target)}};
    seam.Answers = {Answer::No, Answer::Yes};
    l.SelectedIndex = 2;
    l.Modified = true;
    l.SaveSelectedIconExecute();
    QCOMPARE(seam.FileDialogsShown[0].Title, QStringLiteral("Save selected icon as:"));
    QVERIFY(!l.Modified);
    QCOMPARE(test::FileBytes(target), test::FileBytes(l.Icons.IconFiles[2]));
    QVERIFY(seam.Questions.isEmpty());
    // Existing target: asked; No keeps it, Yes replaces it.
    l.SelectedIndex = 0;
    l.SaveSelectedIconExecute();
    QCOMPARE(seam.Questions, QStringList{OverwriteQuestion(target)});
    QCOMPARE(test::FileBytes(target), test::FileBytes(l.Icons.IconFiles[2]));
    l.SaveSelectedIconExecute();
    QCOMPARE(test::FileBytes(target), test::FileBytes(l.Icons.IconFiles[0]));
    // Nothing selected: no dialog.
    seam.ClearRecord();
    l.SelectedIndex = -1;
    l.SaveSelectedIconExecute();
    QVERIFY(seam.FileDialogsShown.empty());
}

void TestListIconsEditing::closingQuestion() {
    const QString question = QStringLiteral("Icons have been modified, Do you want to save them?");
    {
        // Yes: SaveAll runs, with its dialog.
        ListFixture f;
        f.Load(test::MakeIconsFile(f.Files / "two.ico", 2));
        ScriptedSeam seam;
        seam.Answers = {Answer::Yes};
        seam.FileAnswers = {{Q(f.Files / "saved.ico")}};
        f.List->show();
        f.List->Modified = true;
        f.List->BitBtn7->click();
        QCOMPARE(f.List->result(), TListIcons::ResultOk);
        QCOMPARE(seam.Questions, QStringList{question});
        QVERIFY(seam.Log.contains("ask [Save File] -> Yes: " + question));
        QCOMPARE(test::FileBytes(f.Files / "saved.ico").size(), std::size_t{6 + 32 + 2 * 2216});
        QVERIFY(!f.List->Modified);
    }
    {
        // No: nothing is written; closing by the window's close box asks too.
        ListFixture f;
        f.Load(test::MakeIconsFile(f.Files / "two.ico", 2));
        ScriptedSeam seam;
        seam.Answers = {Answer::No};
        f.List->show();
        f.List->Modified = true;
        f.List->close();
        QCOMPARE(f.List->result(), TListIcons::ResultCancel);
        QCOMPARE(seam.Questions, QStringList{question});
        QVERIFY(seam.FileDialogsShown.empty());
        QVERIFY(!f.List->Modified);
        QCOMPARE(test::FolderEntries(f.Files.Path()), std::vector<std::string>{"two.ico"});
    }
    {
        // Unchanged: no question.
        ListFixture f;
        ScriptedSeam seam;
        f.List->show();
        f.List->BitBtn3->click();
        QVERIFY(seam.Questions.isEmpty());
    }
}

// What the Save command does to insert the working icon in front of an existing file: the
// window is never shown, both dialogs are preset, and the old file is replaced only as a whole.
void TestListIconsEditing::insertIntoExistingFile() {
    test::TempFolder work("gf_list_insert_");
    test::TempFolder files("gf_list_insert_files_");
    const fs::path target = test::MakeIconsFile(files / "logo.ico", 3);
    const fs::path working =
        test::MakeIconsFile(work / "eitemp.ico", {test::SolidIcon(48, 48, 32, 0x123456)});
    const auto oldBytes = test::FileBytes(target);
    ScriptedSeam seam;
    {
        TListIcons list(work.Path());
        list.Icons.Clear();
        ExtractIconsToFiles(target, list.Icons, list.WorkFolder);
        list.OpenDialog1.FileName = Q(working);
        list.OpenDialog1.Tag = 1;
        list.AddIconExecute();
        list.SaveDialog1.FileName = Q(target);
        list.SaveDialog1.Tag = 1;
        QVERIFY(list.SaveAllExecute());
    }
    QVERIFY(seam.Log.isEmpty());  // no dialog, question or message
    const auto file = test::FileBytes(target);
    auto dir = ReadIconDirectory(file);
    QVERIFY(dir.Ok());
    QCOMPARE(dir->Header.Count, std::uint16_t{4});
    QCOMPARE(dir->Entries[0].Width, std::uint8_t{48});  // the working icon first
    QCOMPARE(dir->Entries[0].BitCount, std::uint16_t{32});
    auto oldDir = ReadIconDirectory(oldBytes);
    for (int k = 1; k < 4; ++k) {
        auto newBlock = IconImageBlock(file, dir->Entries[k]);
        auto oldBlock = IconImageBlock(oldBytes, oldDir->Entries[k - 1]);
        QVERIFY(newBlock.Ok() && oldBlock.Ok());
        QVERIFY(std::equal(newBlock->begin(), newBlock->end(), oldBlock->begin(), oldBlock->end()));
    }
    // The window's own files are gone; the working icon file is not the window's.
    QCOMPARE(test::FolderEntries(work.Path()), std::vector<std::string>{"eitemp.ico"});
}

QTEST_MAIN(TestListIconsEditing)
#include "tst_list_icons_editing.moc"
