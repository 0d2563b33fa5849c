#include "app/preview.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>

#include "formats/archive_writers.h"
#include "program/program.h"
#include "support/fixtures.h"
#include "support/message_box_answerer.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace echodelve::app {
namespace {

using namespace Qt::StringLiterals;
using test::MakeWav;

// Previews in the real program; the sound service's requests are noted.
class PreviewTest : public ::testing::Test {
  protected:
    PreviewTest() {
        main.SetProgramFolder(QString::fromStdString(program.path().string()));
        QObject::connect(&app.Sound(), &platform::SoundService::PlayRequested,
                         [this](const QString& path, bool loop) {
                             plays.emplace_back(path.toStdString(), loop);
                         });
    }
    void List(const std::vector<PackMember>& members) {
        const auto archive = dir / ("a" + std::to_string(++listings) + ".wad");
        WriteWadArchive(archive, members);
        app.Dispatcher().RunProcedure(u"wadfile"_s, QString::fromStdString(archive.string()), 0);
    }
    void PreviewRow(int row) {
        main.Port()->clearSelection();
        main.Port()->topLevelItem(row)->setSelected(true);
        preview.Port_DblClick();
    }
    // This program's scratch folder, once a preview has made it.
    std::filesystem::path Scratch() const { return preview.Scratch().Path().toStdString(); }

    test::TempDir dir;
    test::TempDir program;
    test::TempDir runtime;
    test::ScopedEnv runtimeEnv{"XDG_RUNTIME_DIR",
                               QByteArray::fromStdString(runtime.path().string())};
    program::Program app;
    ui::frmMain& main = app.Main();
    Preview& preview = app.PreviewOf();
    std::vector<std::pair<std::filesystem::path, bool>> plays;
    int listings = 0;
};

TEST_F(PreviewTest, WithoutARowChosenNothingIsWrittenOrPlayed) {
    preview.Port_DblClick();  // an empty list
    EXPECT_FALSE(std::filesystem::exists(runtime / "echodelve"));
    List({PackMember::FromBytes("door.wav", MakeWav(100))});
    main.Port()->clearSelection();
    preview.Port_DblClick();
    EXPECT_TRUE(plays.empty());
    EXPECT_TRUE(!std::filesystem::exists(Scratch()) || std::filesystem::is_empty(Scratch()));
    QSignalSpy stops(&app.Sound(), &platform::SoundService::StopRequested);
    preview.Label5_Click();
    EXPECT_EQ(stops.count(), 1);
}

TEST_F(PreviewTest, EachPreviewReplacesTheLastInAFolderOfItsOwnWhichExitClears) {
    List({PackMember::FromBytes("x.dat", MakeWav(100, 1)),
          PackMember::FromBytes("../bell.wav", MakeWav(120, 2)),
          PackMember::FromBytes("door.wav", MakeWav(130, 3))});
    PreviewRow(0);
    EXPECT_EQ(Scratch().parent_path(), runtime / "echodelve");
    EXPECT_TRUE(std::filesystem::is_empty(program.path()));  // nothing beside the executable
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0], std::pair(Scratch() / "x.dat", false));
    EXPECT_EQ(test::ReadBytes(Scratch() / "x.dat"), MakeWav(100, 1));

    // Whatever its name, the last preview goes; a file the program did not write stays.
    test::WriteBytes(Scratch() / "notes.txt", {1});
    main.loopsnd()->setChecked(true);
    PreviewRow(1);
    EXPECT_EQ(test::FileNames(Scratch()), (std::vector<std::string>{".._bell.wav", "notes.txt"}));
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[1], std::pair(Scratch() / ".._bell.wav", true));
    preview.ClearScratch();
    EXPECT_EQ(test::FileNames(Scratch()), std::vector<std::string>{"notes.txt"});

    // The same name from another archive holds the new sound; alone, the folder goes at exit.
    std::filesystem::remove(Scratch() / "notes.txt");
    List({PackMember::FromBytes("x.dat", MakeWav(300, 7))});
    PreviewRow(0);
    EXPECT_EQ(test::ReadBytes(Scratch() / "x.dat"), MakeWav(300, 7));
    preview.ClearScratch();
    EXPECT_FALSE(std::filesystem::exists(Scratch()));
}

TEST_F(PreviewTest, ASoundThatIsNotRiffIsWrittenOnlyWhenTheUserSaysYes) {
    test::Bytes odd = MakeWav(100);
    odd[0] = 'X';
    List({PackMember::FromBytes("odd.wav", odd)});
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        test::MessageBoxAnswerer answerer({answer});
        PreviewRow(0);
        ASSERT_EQ(answerer.seen.size(), 1u);
        EXPECT_EQ(answerer.seen[0].title, u"Warning"_s);
        EXPECT_EQ(std::filesystem::exists(Scratch() / "odd.wav"), answer == QMessageBox::Yes);
    }
    EXPECT_EQ(plays.size(), 2u);  // asked for both times; without a file, silent
}

// The preview works on the program's state alone: no window is made here.
TEST(PreviewWithoutAWindowTest, PlaysTheSelectedSoundAsTheStateSaysAndDragsOnlyListedOnes) {
    test::TempDir dir;
    WriteWadArchive(dir / "w.wad", {PackMember::FromBytes("a.wav", MakeWav(100, 1)),
                                    PackMember::FromBytes("b.wav", MakeWav(120, 2))});
    ProgramState state;
    QtUiHooks hooks(nullptr);
    Procedures procedures(state, hooks);
    platform::SoundService sound;
    Preview preview(state, procedures, hooks, sound);
    std::vector<std::pair<QString, bool>> plays;
    QObject::connect(&sound, &platform::SoundService::PlayRequested,
                     [&](const QString& path, bool loop) { plays.emplace_back(path, loop); });
    procedures.RunProcedure(u"wadfile"_s, QString::fromStdString((dir / "w.wad").string()), 0);
    ASSERT_EQ(state.SoundCount(), 2);

    preview.Port_DblClick();  // nothing selected: nothing played
    EXPECT_TRUE(plays.empty());
    state.SetSelected(state.Sounds()[1]);
    state.SetLoop(true);
    preview.Port_DblClick();
    ASSERT_EQ(plays.size(), 1U);
    EXPECT_TRUE(plays[0].first.endsWith(u"/b.wav"_s));
    EXPECT_TRUE(plays[0].second);
    EXPECT_EQ(test::ReadBytes(plays[0].first.toStdString()), MakeWav(120, 2));

    preview.Port_ItemClick(state.Sounds()[0]);
    EXPECT_EQ(state.Summary(), u"'a.wav'  100 Bytes"_s);
    for (const qint32 outside : {0, 3}) {
        EXPECT_TRUE(preview.ExtractForDrag(outside, u"x.wav"_s).isEmpty()) << outside;
    }
    EXPECT_FALSE(preview.ExtractForDrag(2, u"b.wav"_s).isEmpty());
    preview.ClearScratch();
}

TEST_F(PreviewTest, AClickShowsTheNameAndGroupedSizeAsPlainText) {
    const struct {
        QString name;
        qint64 size;
        QString status;  // "," stands for the locale's group separator
    } cases[] = {
        {u"door.wav"_s, 12345, u"'door.wav'  12,345 Bytes"_s},
        {u"door.wav"_s, 0, u"'door.wav'   Bytes"_s},
        {u"<font size=7>big</font><img src=/x.png>.wav"_s, 999,
         u"'<font size=7>big</font><img src=/x.png>.wav'  999 Bytes"_s},
    };
    for (const auto& c : cases) {
        main.ClearSounds();
        main.AddSound(1, c.name, c.size);
        emit main.RowClicked(main.Port()->topLevelItem(0));  // as a click on the row does
        const QString shown = main.Status()->text();
        EXPECT_EQ(shown, QString(c.status).replace(u',', QLocale::system().groupSeparator()));
        // Drawn as written: exactly as wide as its characters, not as styled text.
        EXPECT_NEAR(main.Status()->sizeHint().width(),
                    main.Status()->fontMetrics().horizontalAdvance(shown), 2);
    }
}

TEST_F(PreviewTest, HoveringARowShowsWhatItsSoundIs) {
    List({PackMember::FromBytes("tone.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050,
                                                          2, 1.42, 440, 0.5)),
          PackMember::FromBytes("text.wav", test::Bytes(80, 'x'))});
    main.show();
    const auto hover = [this](int row) {
        QWidget* viewport = main.Port()->viewport();
        const QPoint at = main.Port()->visualItemRect(main.Port()->topLevelItem(row)).center();
        QHelpEvent event(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
        return QToolTip::text();
    };
    const QLocale locale = QLocale::system();
    EXPECT_EQ(hover(0), u"PCM 16-bit, 22"_s + locale.groupSeparator() + u"050 Hz, stereo, 1"_s +
                            locale.decimalPoint() + u"42 s"_s);
    EXPECT_EQ(hover(1), u"Cannot tell what this sound is: it is not a RIFF/WAVE file"_s);
    // The channels, by name up to two.
    for (const auto& [channels, name] : {std::pair(1, "mono"), std::pair(3, "3 channels")}) {
        SoundDetails details;
        details.encoding = "IMA ADPCM";
        details.sampleRate = 8000;
        details.channels = channels;
        details.seconds = 0.5;
        EXPECT_EQ(DescribeSound({details, {}, {}}),
                  u"IMA ADPCM, 8"_s + locale.groupSeparator() + u"000 Hz, "_s +
                      QLatin1String(name) + u", 0"_s + locale.decimalPoint() + u"50 s"_s);
    }
}

// A row dragged out is written as a preview is; only a listed sound is, and a
// failure is said.
TEST_F(PreviewTest, ADraggedRowIsWrittenOnlyForAListedSoundAndAFailureIsSaid) {
    List({PackMember::FromBytes("a.wav", MakeWav(100, 1)),
          PackMember::FromBytes("b.wav", MakeWav(110, 2))});
    test::MessageBoxAnswerer answerer;
    EXPECT_EQ(preview.ExtractForDrag(0, u"a.wav"_s), QString());
    EXPECT_EQ(preview.ExtractForDrag(3, u"c.wav"_s), QString());
    EXPECT_TRUE(preview.Scratch().Path().isEmpty() && answerer.seen.empty());
    const QString file = preview.ExtractForDrag(2, u"b.wav"_s);
    EXPECT_EQ(file.toStdString(), Scratch() / "b.wav");
    EXPECT_EQ(test::ReadBytes(file.toStdString()), MakeWav(110, 2));
    EXPECT_EQ(preview.ExtractForDrag(1, u"../a.wav"_s).toStdString(), Scratch() / ".._a.wav");
    preview.ClearScratch();  // what a drag wrote goes at exit too
    EXPECT_FALSE(std::filesystem::exists(Scratch()));

    std::filesystem::remove(dir / "a1.wad");
    std::filesystem::create_directory(dir / "a1.wad");  // a folder in the archive's place
    EXPECT_EQ(preview.ExtractForDrag(1, u"a.wav"_s), QString());
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, u"Echo Delve"_s);
    EXPECT_TRUE(answerer.seen[0].text.contains(u"a1.wad"_s)) << answerer.seen[0].text.toStdString();
}

TEST_F(PreviewTest, WhereNoScratchFolderCanBeMadeNothingPlaysAndADragSaysWhy) {
    test::WriteBytes(runtime / "echodelve", {1});  // a file where the folders would go
    List({PackMember::FromBytes("a.wav", MakeWav(100, 1))});
    PreviewRow(0);
    EXPECT_TRUE(plays.empty());
    test::MessageBoxAnswerer answerer;
    EXPECT_EQ(preview.ExtractForDrag(1, u"a.wav"_s), QString());
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, u"Echo Delve"_s);
    EXPECT_EQ(answerer.seen[0].text, u"There is no folder to put the sound in: '"_s +
                                         QString::fromStdString((runtime / "echodelve").string()) +
                                         u"' cannot be made."_s);
}

}  // namespace
}  // namespace echodelve::app
