#include <gtest/gtest.h>

#include <QSignalSpy>

#include "commands/about_command.h"
#include "commands/confirm_browse.h"
#include "commands/edit_commands.h"
#include "commands/exit_command.h"
#include "commands/folder_command.h"
#include "commands/open_commands.h"
#include "commands/save_commands.h"
#include "formats/archive_writers.h"
#include "program/program.h"
#include "support/fixtures.h"
#include "support/message_box_answerer.h"
#include "support/temp_dir.h"
#include "ui/frm_about.h"

namespace echodelve::commands {
namespace {

using namespace Qt::StringLiterals;
using test::MakeWav;
using test::MessageBoxAnswerer;
using Command = void (*)(CommandContext&);

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

// The whole program with its real windows; the file browser and the end of the
// program are noted instead of happening.
class CommandsTest : public ::testing::Test {
  protected:
    CommandsTest() {
        main.SetProgramFolder(Q(program.path()));
        context.openFolder = [this](const QString& folder) { openedFolders << folder; };
        context.endProgram = [this] { ++ended; };
        std::filesystem::create_directories(games / "sub");
        WriteSfxArchive(games / "DOOR.SFX", {PackMember::FromBytes("a", MakeWav(100, 1)),
                                             PackMember::FromBytes("b", MakeWav(200, 2)),
                                             PackMember::FromBytes("c", MakeWav(300, 3))});
        WriteWadArchive(games / "bells.wad",
                        {PackMember::FromBytes("ding/dong.wav", MakeWav(80, 4)),
                         PackMember::FromBytes("ding/dong.wav", MakeWav(90, 5))});
        main.DirList()->SetPath(Q(games));
    }
    // Opens an archive the way a person does: the menu command, a file, OK.
    void OpenWith(Command command, const QString& name) {
        command(context);
        const auto found = main.FileList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        found.front()->setSelected(true);
        ConfirmBrowse(context);
    }
    // What the window shows in a line: where the panels are, the procedure OK
    // runs, the browse panel's caption and files when in view, and the rows.
    std::string Shown() const {
        QString shown = QStringLiteral("list %1, browse %2: %3")
                            .arg(main.MainPicBox()->LeftUnits())
                            .arg(main.BrowseDlg()->LeftUnits())
                            .arg(context.state.OpenProcedure());
        if (main.BrowseDlg()->LeftUnits() == ui::BrowsePanel::kPanelIn) {
            QStringList files;
            for (int i = 0; i < main.FileList()->count(); ++i) {
                files << main.FileList()->item(i)->text();
            }
            shown += u" '"_s + main.BrowseStatus()->text() + u"' ["_s + files.join(u' ') + u"]"_s +
                     (main.FileList()->isEnabled() ? u""_s : u" disabled"_s) +
                     (main.opendir()->isHidden() ? u""_s : u" +open folder"_s);
        }
        return (shown + QStringLiteral(", %1 rows").arg(main.SoundCount())).toStdString();
    }

    test::TempDir dir;
    test::TempDir program;
    const std::filesystem::path games = dir / "games";
    program::Program app;
    ui::frmMain& main = app.Main();
    CommandContext& context = app.Context();
    QStringList openedFolders;
    int ended = 0;
};

TEST_F(CommandsTest, OpensChooseAFileOfTheirKindAndOkListsItAndBringsTheListBack) {
    main.opendir()->setChecked(true);  // an open never shows a folder
    mnuSfxOpen_Click(context);
    EXPECT_EQ(Shown(), "list 350, browse 20: sfxfile 'Browse For *.SFX File' [DOOR.SFX], 0 rows");
    mnuWadOpen_Click(context);  // already in view: the slide only snaps it
    EXPECT_EQ(Shown(), "list 350, browse 20: wadfile 'Browse For *.WAD File' [bells.wad], 0 rows");
    EXPECT_FALSE(main.Browse().MainDlgShown());
    OpenWith(mnuSfxOpen_Click, u"DOOR.SFX"_s);
    EXPECT_EQ(Shown(), "list 20, browse 350: sfxfile, 3 rows");
    EXPECT_TRUE(main.Browse().MainDlgShown());
    EXPECT_TRUE(main.opendir()->isChecked());
    // A second open first sends the list out, then brings the browse panel in.
    mnuWadOpen_Click(context);
    EXPECT_EQ(Shown(), "list 350, browse 20: wadfile 'Browse For *.WAD File' [bells.wad], 3 rows");
    OpenWith(mnuWadOpen_Click, u"bells.wad"_s);
    EXPECT_EQ(Shown(), "list 20, browse 350: wadfile, 2 rows");
    // OK without a file still confirms: the failure is said, the list comes back.
    mnuSfxOpen_Click(context);
    MessageBoxAnswerer answerer;
    ConfirmBrowse(context);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, u"EchoDelve"_s);
    EXPECT_EQ(Shown(), "list 20, browse 350: sfxfile, 2 rows");
    EXPECT_TRUE(openedFolders.isEmpty());
}

TEST_F(CommandsTest, SavesRefuseWithoutRowsOrSelectionAndOtherwiseChooseAFolder) {
    MessageBoxAnswerer answerer;
    mnuSaveAs_Click(context);
    mnuSaveAll_Click(context);
    OpenWith(mnuSfxOpen_Click, u"DOOR.SFX"_s);
    mnuSaveAs_Click(context);
    std::vector<QString> said;
    for (const auto& seen : answerer.seen) {
        EXPECT_EQ(seen.title, u"Warning"_s);
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
        said.push_back(seen.text);
    }
    EXPECT_EQ(said, (std::vector<QString>{u"Open A File First!"_s, u"Open A File First!"_s,
                                          u"A File Must Be Selected"_s}));
    EXPECT_EQ(Shown(), "list 20, browse 350: sfxfile, 3 rows");
    mnuSaveAll_Click(context);
    EXPECT_EQ(Shown(),
              "list 350, browse 20: saveallfile 'Saving 3 Files' [] disabled +open folder, 3 rows");
    main.Browse().Label4_Click();
    main.Port()->topLevelItem(2)->setSelected(true);
    mnuSaveAs_Click(context);
    EXPECT_EQ(Shown(),
              "list 350, browse 20: savefile 'edsnd003.wav' [] disabled +open folder, 3 rows");
}

TEST_F(CommandsTest, SavesWriteIntoTheChosenFolderAndShowItOnlyWhenAsked) {
    OpenWith(mnuWadOpen_Click, u"bells.wad"_s);
    const struct {
        Command command;
        bool showFolder;
        std::vector<std::string> files;
        test::Bytes first;  // what "ding_dong.wav" holds
    } cases[] = {
        // The name becomes one file inside the chosen folder.
        {mnuSaveAs_Click, true, {"ding_dong.wav"}, MakeWav(90, 5)},
        {mnuSaveAll_Click, false, {"ding_dong (2).wav", "ding_dong.wav"}, MakeWav(80, 4)},
        {mnuSaveAll_Click, true, {"ding_dong (2).wav", "ding_dong.wav"}, MakeWav(80, 4)},
    };
    int folder = 0;
    for (const auto& c : cases) {
        openedFolders.clear();
        const std::filesystem::path target = games / std::to_string(++folder);
        std::filesystem::create_directories(target);
        main.Port()->topLevelItem(1)->setSelected(true);
        c.command(context);
        main.opendir()->setChecked(c.showFolder);
        main.DirList()->SetPath(Q(target));
        ConfirmBrowse(context);
        EXPECT_EQ(test::FileNames(target), c.files) << folder;
        EXPECT_EQ(test::ReadBytes(target / "ding_dong.wav"), c.first);
        EXPECT_EQ(openedFolders, c.showFolder ? QStringList{Q(target)} : QStringList{}) << folder;
        EXPECT_EQ(Shown(), "list 20, browse 350: " +
                               std::string(c.files.size() == 1 ? "savefile" : "saveallfile") +
                               ", 2 rows");
        EXPECT_TRUE(main.FileList()->isEnabled());
    }
}

TEST_F(CommandsTest, CreateFolderMakesItInTheShownFolderOrSaysWhyNot) {
    MessageBoxAnswerer answerer({}, {u"Sounds"_s, u"Sounds"_s, u"a/b"_s, u"."_s, u".."_s, u""_s});
    for (int i = 0; i < 7; ++i) {  // the last is Cancel
        mnuCreateFolder_Click(context);
    }
    EXPECT_EQ(main.DirList()->Path(), Q(games));
    EXPECT_FALSE(main.DirList()->findItems(u"Sounds"_s, Qt::MatchEndsWith).isEmpty());
    EXPECT_EQ(test::FileNames(games),
              (std::vector<std::string>{"DOOR.SFX", "Sounds", "bells.wad", "sub"}));
    EXPECT_EQ(answerer.dialogs,
              std::vector<QString>(7, u"Echo Delve: Enter A Valid Folder Name"_s));
    std::vector<QString> said;
    for (const auto& seen : answerer.seen) {
        EXPECT_EQ(seen.title, u"Echo Delve"_s);
        said.push_back(seen.text);
    }
    const QString in = u"Could not make the folder '"_s + Q(games) + u"/"_s;
    const QString badName = u"': A folder name cannot be \".\" or \"..\" or hold \"/\"."_s;
    EXPECT_EQ(said, (std::vector<QString>{
                        in + u"Sounds': Something called \"Sounds\" already exists there."_s,
                        in + u"a/b"_s + badName, in + u"."_s + badName, in + u".."_s + badName}));
}

// From the command line or a drop: by its extension in any case, else by its
// content; the browse panel is left at its folder. Refused while busy.
TEST_F(CommandsTest, AnArchiveNamedFromOutsideOpensAsItsKindOrIsRefused) {
    test::WriteBytes(dir / "door.dat", test::ReadBytes(games / "DOOR.SFX"));
    test::WriteBytes(dir / "Bells.WaD", test::ReadBytes(games / "bells.wad"));
    test::WriteBytes(dir / "bells.bin", test::ReadBytes(games / "bells.wad"));
    test::WriteBytes(dir / "notes.txt", {'h', 'e', 'l', 'l', 'o', '.'});
    const std::tuple<const char*, const char*, QString> cases[] = {
        {"door.dat", "list 20, browse 350: sfxfile, 3 rows", {}},
        {"Bells.WaD", "list 20, browse 350: wadfile, 2 rows", {}},
        {"bells.bin", "list 20, browse 350: wadfile, 2 rows", {}},
        {"notes.txt", "list 20, browse 350: wadfile, 2 rows",
         u"' is neither an SFX nor a WAD archive."_s},
        {"gone.sfx", "list 20, browse 350: sfxfile, 2 rows", u"does not exist"_s},
    };
    for (const auto& [file, shown, said] : cases) {
        MessageBoxAnswerer answerer;
        OpenArchive(context, Q(dir / file));
        EXPECT_EQ(Shown(), shown);
        ASSERT_EQ(answerer.seen.size(), said.isEmpty() ? 0u : 1u) << file;
        EXPECT_TRUE(said.isEmpty() || answerer.seen[0].text.contains(said)) << file;
        EXPECT_EQ(main.DirList()->Path(), Q(dir.path()));
    }
    QSignalSpy slides(main.BrowseDlg(), &ui::Panel::LeftUnitsChanged);
    app.State().SetBusy(true);
    OpenArchive(context, Q(dir / "Bells.WaD"));
    app.State().SetBusy(false);
    EXPECT_EQ(Shown(), "list 20, browse 350: sfxfile, 2 rows");
    EXPECT_EQ(slides.count(), 0);
}

TEST_F(CommandsTest, ExitStopsTheSoundDeletesOnlyPreviewsAndEndsTheProgram) {
    mnuExit_Click(context);  // no scratch folder yet: no message, the program still ends
    OpenWith(mnuSfxOpen_Click, u"DOOR.SFX"_s);
    main.Port()->topLevelItem(0)->setSelected(true);
    app.PreviewOf().Port_DblClick();  // makes this program's scratch folder
    const std::filesystem::path scratch = app.PreviewOf().Scratch().Path().toStdString();
    ASSERT_FALSE(scratch.empty());
    for (const char* name : {"a.wav", "B.WAV", ".c.Wav", "keep.txt", "wav"}) {
        test::WriteBytes(scratch / name, {1});
    }
    QSignalSpy stops(&app.Sound(), &platform::SoundService::StopRequested);
    mnuExit_Click(context);
    EXPECT_EQ(stops.count(), 1);
    EXPECT_EQ(test::FileNames(scratch), (std::vector<std::string>{"keep.txt", "wav"}));
    EXPECT_EQ(ended, 2);
    std::filesystem::remove(scratch / "keep.txt");
    std::filesystem::remove(scratch / "wav");
    test::WriteBytes(scratch / "c.wav", {1});
    mnuExit_Click(context);
    EXPECT_FALSE(std::filesystem::exists(scratch));
    mnuExit_Click(context);  // the folder gone: the program still ends
    EXPECT_EQ(ended, 4);
}

TEST_F(CommandsTest, AboutIsModalAndMadeAfreshEachTime) {
    MessageBoxAnswerer answerer;
    mnuAbout_Click(context);
    mnuAbout_Click(context);
    EXPECT_EQ(answerer.dialogs, (std::vector<QString>{u"frmAbout"_s, u"frmAbout"_s}));
    EXPECT_TRUE(main.findChildren<ui::frmAbout*>().isEmpty());
}

TEST(JoinPathTest, ExactlyOneSeparatorBetweenFolderAndName) {
    EXPECT_EQ(JoinPath(u"/games"_s, u"x.sfx"_s), u"/games/x.sfx"_s);
    EXPECT_EQ(JoinPath(u"/games/"_s, u"x.sfx"_s), u"/games/x.sfx"_s);
    EXPECT_EQ(JoinPath(u"/"_s, u"x.sfx"_s), u"/x.sfx"_s);
    EXPECT_EQ(JoinPath(u"/games"_s, {}), u"/games/"_s);
    EXPECT_EQ(JoinPath(u"/"_s, {}), u"/"_s);
}

// The sound list's menu, as a person uses it: files chosen through the browse
// panel, a name through an input box; the edited rows marked; Exit and another
// open ask while edits are unsaved; Save Archive As asks before it replaces.
TEST_F(CommandsTest, TheSoundMenuEditsTheListingAndAsksBeforeEditsAreLost) {
    WriteWadArchive(games / "kit.wad", {PackMember::FromBytes("a.wav", MakeWav(100, 1)),
                                        PackMember::FromBytes("b.wav", MakeWav(110, 2))});
    const test::Bytes original = test::ReadBytes(games / "kit.wad");
    for (const auto& [name, seed] : {std::pair{"new.wav", 7}, {"x1.wav", 8}, {"x2.WAV", 9}}) {
        test::WriteBytes(games / name, MakeWav(200, static_cast<std::uint8_t>(seed)));
    }
    OpenWith(mnuWadOpen_Click, u"kit.wad"_s);
    const auto bold = [this](int row) { return main.Port()->topLevelItem(row)->font(0).bold(); };
    const auto choose = [this](const QStringList& names) {
        for (const QString& name : names) {
            main.FileList()->findItems(name, Qt::MatchExactly).front()->setSelected(true);
        }
        ConfirmBrowse(context);
    };

    main.Port()->setCurrentItem(main.Port()->topLevelItem(0));
    mnuReplace_Click(context);
    EXPECT_EQ(Shown(),
              "list 350, browse 20: replacefile 'Browse For *.WAV File' [new.wav x1.wav "
              "x2.WAV], 2 rows");
    choose({u"new.wav"_s});
    EXPECT_EQ(Shown(), "list 20, browse 350: replacefile, 2 rows");
    EXPECT_TRUE(bold(0));
    EXPECT_FALSE(bold(1));
    mnuAddSounds_Click(context);
    choose({u"x1.wav"_s, u"x2.WAV"_s});  // several at once
    EXPECT_EQ(main.SoundCount(), 4);
    {
        MessageBoxAnswerer answerer({}, {u"bell.wav"_s});
        main.Port()->setCurrentItem(main.Port()->topLevelItem(1));
        mnuRename_Click(context);
        EXPECT_EQ(main.Port()->topLevelItem(1)->text(0), u"bell.wav"_s);
        EXPECT_TRUE(bold(1));
        mnuRemove_Click(context);
        EXPECT_EQ(main.SoundCount(), 3);
        EXPECT_TRUE(answerer.seen.empty());
    }
    EXPECT_EQ(test::ReadBytes(games / "kit.wad"), original);

    // Kept: the program does not end, no other archive is offered.
    {
        MessageBoxAnswerer answerer({QMessageBox::No, QMessageBox::No});
        mnuExit_Click(context);
        mnuSfxOpen_Click(context);
        ASSERT_EQ(answerer.seen.size(), 2u);
        EXPECT_TRUE(answerer.seen[0].text.startsWith(u"The edits to 'kit.wad' are not saved"_s));
        EXPECT_EQ(ended, 0);
        EXPECT_EQ(Shown(), "list 20, browse 350: addfile, 3 rows");
    }
    // Saved over the archive when the user agrees, the old one kept.
    mnuSaveArchiveAs_Click(context);
    EXPECT_EQ(Shown(),
              "list 350, browse 20: savearchivefile 'kit.wad' [] disabled +open folder, 3 rows");
    {
        MessageBoxAnswerer answerer({QMessageBox::No});
        ConfirmBrowse(context);  // not replaced: the panel stays
        EXPECT_EQ(test::ReadBytes(games / "kit.wad"), original);
        EXPECT_EQ(
            Shown(),
            "list 350, browse 20: savearchivefile 'kit.wad' [] disabled +open folder, 3 rows");
    }
    {
        MessageBoxAnswerer answerer({QMessageBox::Yes});
        ConfirmBrowse(context);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_TRUE(answerer.seen[0].text.contains(u"kit.wad.bak"_s));
    }
    EXPECT_EQ(test::ReadBytes(games / "kit.wad.bak"), original);
    EXPECT_FALSE(bold(0));
    EXPECT_FALSE(app.State().Unsaved());
    {
        MessageBoxAnswerer answerer;
        mnuExit_Click(context);  // nothing unsaved: no question
        EXPECT_TRUE(answerer.seen.empty());
        EXPECT_EQ(ended, 1);
    }
}

// WAV files dropped on the list: one on a row replaces it, any number below
// the rows are added; several on one row are refused with a message.
TEST_F(CommandsTest, SoundsDroppedOnARowReplaceItAndBelowTheRowsAreAdded) {
    WriteWadArchive(games / "kit.wad", {PackMember::FromBytes("a.wav", MakeWav(100, 1))});
    test::WriteBytes(games / "n1.wav", MakeWav(120, 3));
    test::WriteBytes(games / "n2.wav", MakeWav(130, 4));
    OpenWith(mnuWadOpen_Click, u"kit.wad"_s);
    const QStringList both = {Q(games / "n1.wav"), Q(games / "n2.wav")};
    {
        MessageBoxAnswerer answerer;
        DropSounds(context, 1, both);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_TRUE(answerer.seen[0].text.startsWith(u"One sound replaces one row"_s));
        EXPECT_FALSE(app.State().Unsaved());
    }
    DropSounds(context, 1, {both[1]});
    EXPECT_EQ(main.Port()->topLevelItem(0)->text(1), u"130"_s);
    DropSounds(context, 0, both);
    EXPECT_EQ(main.SoundCount(), 3);
    EXPECT_EQ(main.Port()->topLevelItem(2)->text(0), u"n2.wav"_s);
    EXPECT_TRUE(app.State().Unsaved());
}

}  // namespace
}  // namespace echodelve::commands
