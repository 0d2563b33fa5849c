#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>

#include "commands/about_command.h"
#include "commands/confirm_browse.h"
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

// The whole program with its real windows; the file browser and the end of the
// program are noted instead of happening.
class CommandsTest : public ::testing::Test {
  protected:
    CommandsTest() {
        main.SetProgramFolder(Path(program.path()));
        context.openFolder = [this](const QString& folder) { openedFolders << folder; };
        context.endProgram = [this] { ++ended; };
        std::filesystem::create_directories(dir / "games" / "sub");
        const std::vector<PackMember> sounds = {PackMember::FromBytes("a", MakeWav(100, 1)),
                                                PackMember::FromBytes("b", MakeWav(200, 2)),
                                                PackMember::FromBytes("c", MakeWav(300, 3))};
        WriteSfxArchive(dir / "games" / "DOOR.SFX", sounds);
        WriteWadArchive(dir / "games" / "bells.wad",
                        {PackMember::FromBytes("ding/dong.wav", MakeWav(80, 4)),
                         PackMember::FromBytes("ding/dong.wav", MakeWav(90, 5))});
        main.DirList()->SetPath(Path(dir / "games"));
    }
    static QString Path(const std::filesystem::path& path) {
        return QString::fromStdString(path.string());
    }
    void SelectFile(const QString& name) {
        const auto found = main.FileList()->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        found.front()->setSelected(true);
    }
    // Opens an archive the way a person does: the menu command, a file, OK.
    void OpenArchive(void (*command)(CommandContext&), const QString& name) {
        command(context);
        SelectFile(name);
        ConfirmBrowse(context);
    }
    void SelectRow(int row) { main.Port()->topLevelItem(row)->setSelected(true); }

    test::TempDir dir;
    test::TempDir program;
    program::Program app;
    ui::frmMain& main = app.Main();
    CommandContext& context = app.Context();
    QStringList openedFolders;
    int ended = 0;
};

TEST_F(CommandsTest, OpenAtStartSlidesOnlyTheBrowsePanelInAndSetsItsMode) {
    main.opendir()->setChecked(true);
    mnuSfxOpen_Click(context);
    EXPECT_EQ(context.state.OpenProcedure(), QStringLiteral("sfxfile"));
    EXPECT_EQ(main.BrowseDlg()->LeftUnits(), 20.0);
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 350.0);
    EXPECT_TRUE(main.opendir()->isHidden());
    EXPECT_TRUE(main.opendir()->isChecked());
    EXPECT_TRUE(main.FileList()->isEnabled());
    EXPECT_EQ(main.FileList()->Pattern(), QStringLiteral("*.sfx"));
    EXPECT_EQ(main.BrowseStatus()->text(), QStringLiteral("Browse For *.SFX File"));
    ASSERT_EQ(main.FileList()->count(), 1);  // DOOR.SFX, matched ignoring case

    mnuWadOpen_Click(context);  // already in view: the slide only snaps it
    EXPECT_EQ(context.state.OpenProcedure(), QStringLiteral("wadfile"));
    EXPECT_EQ(main.BrowseStatus()->text(), QStringLiteral("Browse For *.WAD File"));
    EXPECT_EQ(main.FileList()->item(0)->text(), QStringLiteral("bells.wad"));
}

TEST_F(CommandsTest, ConfirmListsTheChosenArchiveAndBringsTheListBack) {
    EXPECT_FALSE(main.Browse().MainDlgShown());
    OpenArchive(mnuSfxOpen_Click, QStringLiteral("DOOR.SFX"));
    EXPECT_EQ(main.Port()->topLevelItemCount(), 3);
    EXPECT_EQ(main.BrowseDlg()->LeftUnits(), 350.0);
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 20.0);
    EXPECT_TRUE(main.Browse().MainDlgShown());
    EXPECT_TRUE(openedFolders.isEmpty());

    // A second open first sends the list out, then brings the browse panel in.
    main.opendir()->setChecked(true);
    mnuWadOpen_Click(context);
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 350.0);
    SelectFile(QStringLiteral("bells.wad"));
    ConfirmBrowse(context);
    EXPECT_EQ(main.Port()->topLevelItemCount(), 2);
    EXPECT_TRUE(openedFolders.isEmpty());  // an open never shows a folder
}

TEST_F(CommandsTest, OkWithoutAFileStillConfirmsAndReportsTheFailure) {
    mnuSfxOpen_Click(context);
    MessageBoxAnswerer answerer;
    ConfirmBrowse(context);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("EchoDelve"));
    EXPECT_TRUE(main.Browse().MainDlgShown());
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 20.0);
}

TEST_F(CommandsTest, SaveRefusesWithoutRowsOrSelectionAndCaptionsItsMode) {
    MessageBoxAnswerer answerer;
    mnuSaveAs_Click(context);
    mnuSaveAll_Click(context);
    OpenArchive(mnuSfxOpen_Click, QStringLiteral("DOOR.SFX"));
    mnuSaveAs_Click(context);
    ASSERT_EQ(answerer.seen.size(), 3u);
    EXPECT_EQ(answerer.seen[0].text, QStringLiteral("Open A File First!"));
    EXPECT_EQ(answerer.seen[1].text, QStringLiteral("Open A File First!"));
    EXPECT_EQ(answerer.seen[2].text, QStringLiteral("A File Must Be Selected"));
    for (const auto& seen : answerer.seen) {
        EXPECT_EQ(seen.title, QStringLiteral("Warning"));
        EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    }
    EXPECT_EQ(context.state.OpenProcedure(), QStringLiteral("sfxfile"));
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 20.0);

    mnuSaveAll_Click(context);
    EXPECT_EQ(context.state.OpenProcedure(), QStringLiteral("saveallfile"));
    EXPECT_EQ(main.BrowseStatus()->text(), QStringLiteral("Saving 3 Files"));
    EXPECT_FALSE(main.FileList()->isEnabled());
    EXPECT_EQ(main.FileList()->count(), 0);
    EXPECT_FALSE(main.opendir()->isHidden());
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 350.0);
}

TEST_F(CommandsTest, SaveWritesTheSelectedSoundAndShowsTheFolderWhenAsked) {
    OpenArchive(mnuWadOpen_Click, QStringLiteral("bells.wad"));
    SelectRow(1);
    mnuSaveAs_Click(context);
    EXPECT_EQ(main.BrowseStatus()->text(), QStringLiteral("ding/dong.wav"));
    main.opendir()->setChecked(true);
    main.DirList()->SetPath(Path(dir / "games" / "sub"));
    ConfirmBrowse(context);
    // The name becomes one file inside the chosen folder.
    EXPECT_EQ(test::FileNames(dir / "games" / "sub"), std::vector<std::string>{"ding_dong.wav"});
    EXPECT_EQ(test::ReadBytes(dir / "games" / "sub" / "ding_dong.wav"), MakeWav(90, 5));
    EXPECT_EQ(openedFolders, QStringList{Path(dir / "games" / "sub")});
    EXPECT_TRUE(main.FileList()->isEnabled());
}

TEST_F(CommandsTest, SaveAllWritesEverySoundIntoTheChosenFolder) {
    OpenArchive(mnuWadOpen_Click, QStringLiteral("bells.wad"));
    mnuSaveAll_Click(context);
    main.DirList()->SetPath(Path(dir / "games" / "sub"));
    ConfirmBrowse(context);
    EXPECT_EQ(test::FileNames(dir / "games" / "sub"),
              (std::vector<std::string>{"ding_dong (2).wav", "ding_dong.wav"}));
    EXPECT_TRUE(openedFolders.isEmpty());  // "Open Folder When Saved" is not ticked
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 20.0);
}

TEST_F(CommandsTest, CreateFolderMakesItInTheShownFolderAndStaysThere) {
    MessageBoxAnswerer answerer(
        {}, {QStringLiteral("Sounds"), QStringLiteral("Sounds"), QStringLiteral("a/b")});
    mnuCreateFolder_Click(context);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "games" / "Sounds"));
    EXPECT_EQ(main.DirList()->Path(), Path(dir / "games"));
    EXPECT_FALSE(main.DirList()->findItems(QStringLiteral("Sounds"), Qt::MatchEndsWith).isEmpty());

    mnuCreateFolder_Click(context);  // exists already
    mnuCreateFolder_Click(context);  // a name with "/"
    mnuCreateFolder_Click(context);  // Cancel: nothing
    ASSERT_EQ(answerer.dialogs.size(), 4u);
    EXPECT_EQ(answerer.dialogs[0], QStringLiteral("Echo Delve: Enter A Valid Folder Name"));
    ASSERT_EQ(answerer.seen.size(), 2u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("Echo Delve"));
    EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("already exists")));
    EXPECT_FALSE(std::filesystem::exists(dir / "games" / "a"));
}

TEST_F(CommandsTest, ExitDeletesOnlyPreviewsAndEndsTheProgram) {
    mnuExit_Click(context);  // no scratch folder yet: no message, the program still ends
    OpenArchive(mnuSfxOpen_Click, u"DOOR.SFX"_s);
    SelectRow(0);
    app.PreviewOf().Port_DblClick();  // makes this program's scratch folder
    const std::filesystem::path scratch = app.PreviewOf().Scratch().Path().toStdString();
    ASSERT_FALSE(scratch.empty());
    for (const char* name : {"a.wav", "B.WAV", "keep.txt"}) {
        test::WriteBytes(scratch / name, {1});
    }
    QSignalSpy stops(&app.Sound(), &platform::SoundService::StopRequested);
    mnuExit_Click(context);
    EXPECT_EQ(stops.count(), 1);
    EXPECT_EQ(test::FileNames(scratch), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(ended, 2);

    std::filesystem::remove(scratch / "keep.txt");
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
    EXPECT_EQ(main.findChildren<ui::frmAbout*>().size(), 0);
}

TEST(JoinPathTest, ExactlyOneSeparatorBetweenFolderAndName) {
    EXPECT_EQ(JoinPath(QStringLiteral("/games"), QStringLiteral("x.sfx")),
              QStringLiteral("/games/x.sfx"));
    EXPECT_EQ(JoinPath(QStringLiteral("/"), QStringLiteral("x.sfx")), QStringLiteral("/x.sfx"));
    EXPECT_EQ(JoinPath(QStringLiteral("/games"), QString()), QStringLiteral("/games/"));
    EXPECT_EQ(JoinPath(QStringLiteral("/"), QString()), QStringLiteral("/"));
}

}  // namespace
}  // namespace echodelve::commands
