#include "ui/browse_panel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <stdexcept>

#include "platform/paths.h"
#include "platform/volumes.h"
#include "ui/focus_outline.h"
#include "ui/message_box.h"
#include "ui/titles.h"
#include "ui/units.h"

namespace echodelve::ui {

namespace {

constexpr double kSlideInFirstStep = 45;
constexpr double kSlideOutFirstStep = 2.64;
constexpr double kStepChange = 2.87;
constexpr float kSlideWait = 0.01f;
// Matches no ordinary file, so the disabled file list stays empty.
const QString kNoFiles = QStringLiteral("abcdefghijk.zsj");

}  // namespace

BrowsePanel::BrowsePanel(QWidget* window, MainPanel main, platform::SoundService* sound,
                         std::function<QString()> programFolder)
    : QObject(window), main_(main), sound_(sound), programFolder_(std::move(programFolder)) {
    Build(window);
    StartBrowsing();
}

void BrowsePanel::Build(QWidget* window) {
    BrowseDlg = new Panel(window, kMainUnitTwipsX);
    BrowseDlg->setObjectName(QStringLiteral("BrowseDlg"));
    BrowseDlg->setGeometry(TwipsRect(0, 510, 4560, 3915));
    BrowseDlg->SetLeftUnits(kPanelOut);

    FileListBox = new Panel(BrowseDlg);
    FileListBox->setGeometry(TwipsRect(135, 180, 2080, 2930));
    FileList = MakeClippedList<FilePicker>(FileListBox, TwipsRect(-45, -45, 2175, 3015));
    FileList->setObjectName(QStringLiteral("FileList"));

    DirListBox = new Panel(BrowseDlg);
    DirListBox->setGeometry(TwipsRect(2340, 180, 2100, 2490));
    DirList = MakeClippedList<FolderPicker>(DirListBox, TwipsRect(-30, -35, 2165, 2565));
    DirList->setObjectName(QStringLiteral("DirList"));

    DriveListBox = new Panel(BrowseDlg);
    DriveListBox->setGeometry(TwipsRect(2340, 2870, 2110, 245));
    DriveList = MakeClippedList<DrivePicker>(DriveListBox, TwipsRect(-30, -30, 2175, 315));
    DriveList->setObjectName(QStringLiteral("DriveList"));
    for (QWidget* clipped : {static_cast<QWidget*>(FileList), static_cast<QWidget*>(DirList),
                             static_cast<QWidget*>(DriveList)}) {
        FocusOutline::Attach(clipped);
    }

    BrowseStatus = MakeLabel(QString(), BrowseDlg,
                             QRect(Px(2265), Px(3285), BrowseDlg->width() - Px(2265), Px(195)));

    opendir = new QCheckBox(QStringLiteral("Open Folder When Saved"), BrowseDlg);
    opendir->setObjectName(QStringLiteral("opendir"));
    opendir->setGeometry(TwipsRect(150, 3630, 2205, 255));

    Label1 = new LabelButton(QStringLiteral("&OK"), BrowseDlg, {3480, 3660});
    Label4 = new LabelButton(QStringLiteral("&Cancel"), BrowseDlg, {3870, 3660});
    Describe(BrowseStatus, QStringLiteral("Browse status"),
             QStringLiteral("What the panel asks for, or the sound to be saved"), false);
    Describe(FileList, QStringLiteral("Files"),
             QStringLiteral("The files of the chosen kind in the folder; a double-click opens one"),
             false);
    Describe(DirList, QStringLiteral("Folders"), QStringLiteral("The folder to look in"), false);
    Describe(DriveList, QStringLiteral("Drives"), QStringLiteral("The drive to look on"), false);
    Describe(opendir, QStringLiteral("Open Folder When Saved"),
             QStringLiteral("Shows the folder in the file browser once the sounds are saved"));
    Describe(Label1, QStringLiteral("OK"),
             QStringLiteral("Takes the file or folder chosen (Alt+O)"));
    Describe(Label4, QStringLiteral("Cancel"),
             QStringLiteral("Closes the panel without taking anything (Escape)"));

    const auto frame = [this](double left, double top, double right, double bottom) {
        BrowseDlg->AddLine(left, top, right, top);
        BrowseDlg->AddLine(left, bottom, right, bottom);
        BrowseDlg->AddLine(left, top, left, bottom);
        BrowseDlg->AddLine(right, top, right, bottom);
    };
    frame(120, 165, 2220, 3120);    // file list
    frame(2325, 165, 4440, 2670);   // folder list
    frame(2325, 2850, 4450, 3100);  // drive list
    frame(140, 3230, 4440, 3520);   // status line
}

void BrowsePanel::pause(float seconds) {
    // A monotonic clock, so a wait across midnight or a clock change still ends.
    QElapsedTimer clock;
    clock.start();
    const auto wanted = static_cast<qint64>(static_cast<double>(seconds) * 1e9);
    while (clock.nsecsElapsed() < wanted) {
        // Sleep in the event loop until the time is up, handling events meanwhile.
        QEventLoop loop;
        const qint64 leftMs =
            std::max<qint64>(1, (wanted - clock.nsecsElapsed() + 999999) / 1000000);
        QTimer::singleShot(std::chrono::milliseconds(leftMs), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
}

void BrowsePanel::DisableDlgs() {
    for (QWidget* control : BrowseControls()) {
        control->hide();
        control->setEnabled(false);
    }
    main_.Port->hide();
    main_.loopsnd->hide();
}

void BrowsePanel::EnableDlgs() {
    for (QWidget* control : BrowseControls()) {
        control->setEnabled(true);
        control->show();
    }
    main_.Port->show();
    main_.loopsnd->show();
}

std::array<QWidget*, 5> BrowsePanel::BrowseControls() const {
    return {FileList, DirList, DriveList, BrowseStatus, opendir};
}

void BrowsePanel::SlideIn(Panel* panel) {
    if (swishing_) {
        return;
    }
    swishing_ = true;
    PlayInterfaceSound(QStringLiteral("swishin.wav"));
    double step = kSlideInFirstStep;
    DisableDlgs();
    while (panel->LeftUnits() > kPanelIn) {
        step -= kStepChange;
        // From past 350.6 units the step would turn back; end the slide instead.
        if (step <= 0) {
            break;
        }
        panel->SetLeftUnits(panel->LeftUnits() - step);
        pause(kSlideWait);
    }
    EnableDlgs();
    panel->SetLeftUnits(kPanelIn);
    swishing_ = false;
}

void BrowsePanel::SlideOut(Panel* panel) {
    if (swishing_) {
        return;
    }
    swishing_ = true;
    PlayInterfaceSound(QStringLiteral("swishout.wav"));
    double step = kSlideOutFirstStep;
    DisableDlgs();
    while (panel->LeftUnits() < kPanelOut) {
        step += kStepChange;
        panel->SetLeftUnits(panel->LeftUnits() + step);
        pause(kSlideWait);
    }
    panel->SetLeftUnits(kPanelOut);
    swishing_ = false;
}

void BrowsePanel::SwishDlgIn() {
    SlideIn(BrowseDlg);
}

void BrowsePanel::SwishDlgOut() {
    SlideOut(BrowseDlg);
}

void BrowsePanel::SwishMainDlgIn() {
    SlideIn(main_.MainPicBox);
}

void BrowsePanel::SwishMainDlgOut() {
    SlideOut(main_.MainPicBox);
}

bool BrowsePanel::MainPanelInView() const {
    return main_.MainPicBox->LeftUnits() < kMainPanelInBelow;
}

void BrowsePanel::Label4_Click() {
    SwishDlgOut();
    if (mainDlgShown_) {
        SwishMainDlgIn();
    }
}

void BrowsePanel::PlayInterfaceSound(const QString& name) {
    const QString path = platform::InterfaceSoundPath(programFolder_(), name);
    if (sound_ != nullptr && QFileInfo::exists(path)) {
        sound_->Play(path, false);
    }
}

void BrowsePanel::DirList_Change() {
    FileList->SetPath(DirList->Path());
    shownRoot_ = platform::VolumeRootOf(DirList->Path());
    driveFolders_.insert(shownRoot_, DirList->Path());
    PlayInterfaceSound(QStringLiteral("change.wav"));
}

void BrowsePanel::DriveList_Change() {
    const QString drive = DriveList->Drive();
    try {
        DirList->SetPath(driveFolders_.value(drive, drive));
    } catch (const std::runtime_error& failure) {
        ShowMessage(BrowseDlg->window(), QString(kWindowCaption),
                    QString::fromStdString(failure.what()));
        const QString home = platform::VolumeRootOf(programFolder_());
        if (drive != home) {
            DriveList->SetDrive(home);  // raises DriveList_Change again
        }
        return;
    }
    PlayInterfaceSound(QStringLiteral("change.wav"));
}

void BrowsePanel::MountsChanged() {
    // The folder shown was on a file system that went away: to the root, as
    // for a drive that cannot be read.
    if (platform::VolumeRootOf(DirList->Path()) != shownRoot_) {
        driveFolders_.remove(shownRoot_);
        DirList->SetPath(QDir::rootPath());
        DriveList->ShowDrive(QDir::rootPath());
    }
}

void BrowsePanel::ShowOpenMode(const QString& pattern, const QString& caption, bool several) {
    FileList->setSelectionMode(several ? QAbstractItemView::ExtendedSelection
                                       : QAbstractItemView::SingleSelection);
    opendir->hide();
    FileList->setEnabled(true);
    FileList->SetPattern(pattern);
    BrowseStatus->setText(caption);
}

void BrowsePanel::ShowFolderMode(const QString& caption) {
    opendir->show();
    FileList->setEnabled(false);
    FileList->SetPattern(kNoFiles);
    BrowseStatus->setText(caption);
}

void BrowsePanel::StartBrowsing() {
    connect(DirList, &FolderPicker::Change, this, &BrowsePanel::DirList_Change);
    connect(DriveList, &DrivePicker::Change, this, &BrowsePanel::DriveList_Change);
    connect(DriveList, &DrivePicker::MountsChanged, this, &BrowsePanel::MountsChanged);
    connect(DirList, &FolderPicker::OpenFailed, this, [this](const QString& description) {
        ShowMessage(BrowseDlg->window(), QString(kWindowCaption), description);
    });
    connect(DirList, &FolderPicker::MouseDown, this,
            [this](Qt::MouseButton button, QPoint globalPosition) {
                if (button == Qt::RightButton) {
                    emit FolderMenu(globalPosition);
                }
            });
    connect(Label1, &ClickLabel::Click, this, &BrowsePanel::Confirm);
    connect(FileList, &FilePicker::DblClick, this, &BrowsePanel::Confirm);
    connect(Label4, &ClickLabel::Click, this, &BrowsePanel::Label4_Click);
    // The panel opens where the process was started; no sound plays for that.
    platform::SoundService* sound = sound_;
    sound_ = nullptr;
    QString start = QDir::currentPath();
    try {
        DirList->SetPath(start);
    } catch (const std::runtime_error&) {
        start = QDir::rootPath();
        DirList->SetPath(start);
    }
    DriveList->ShowDrive(platform::VolumeRootOf(start));
    sound_ = sound;
}

}  // namespace echodelve::ui
