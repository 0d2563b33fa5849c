// frmMain's browse panel: the four slides with their interface sounds, the
// wait they use, the hiding of the panel controls around a slide, Cancel, and
// the drive, folder and file lists following each other.
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <stdexcept>

#include "platform/volumes.h"
#include "ui/frm_main.h"
#include "ui/message_box.h"

namespace echodelve::ui {

namespace {

constexpr double kSlideInFirstStep = 45;
constexpr double kSlideOutFirstStep = 2.64;
constexpr double kStepChange = 2.87;
constexpr float kSlideWait = 0.01f;
const QString kProgramTitle = QStringLiteral("Echo Delve");

}  // namespace

void frmMain::pause(float seconds) {
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

void frmMain::DisableDlgs() {
    for (QWidget* control : BrowseControls()) {
        control->hide();
        control->setEnabled(false);
    }
    Port->hide();
    loopsnd->hide();
}

void frmMain::EnableDlgs() {
    for (QWidget* control : BrowseControls()) {
        control->setEnabled(true);
        control->show();
    }
    Port->show();
    loopsnd->show();
}

std::array<QWidget*, 5> frmMain::BrowseControls() const {
    return {FileList, DirList, DriveList, BrowseStatus, opendir};
}

void frmMain::SlideIn(Panel* panel) {
    if (Swishing) {
        return;
    }
    Swishing = true;
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
    Swishing = false;
}

void frmMain::SlideOut(Panel* panel) {
    if (Swishing) {
        return;
    }
    Swishing = true;
    PlayInterfaceSound(QStringLiteral("swishout.wav"));
    double step = kSlideOutFirstStep;
    DisableDlgs();
    while (panel->LeftUnits() < kPanelOut) {
        step += kStepChange;
        panel->SetLeftUnits(panel->LeftUnits() + step);
        pause(kSlideWait);
    }
    panel->SetLeftUnits(kPanelOut);
    Swishing = false;
}

void frmMain::SwishDlgIn() {
    SlideIn(BrowseDlg);
}

void frmMain::SwishDlgOut() {
    SlideOut(BrowseDlg);
}

void frmMain::SwishMainDlgIn() {
    SlideIn(MainPicBox);
}

void frmMain::SwishMainDlgOut() {
    SlideOut(MainPicBox);
}

void frmMain::Label4_Click() {
    SwishDlgOut();
    if (MainDlgShown) {
        SwishMainDlgIn();
    }
}

void frmMain::PlayInterfaceSound(const QString& name) {
    const QString path = programFolder_ + QStringLiteral("/data/") + name;
    if (sound_ != nullptr && QFileInfo::exists(path)) {
        sound_->Play(path, false);
    }
}

void frmMain::DirList_Change() {
    FileList->SetPath(DirList->Path());
    driveFolders_.insert(platform::VolumeRootOf(DirList->Path()), DirList->Path());
    PlayInterfaceSound(QStringLiteral("change.wav"));
}

void frmMain::DriveList_Change() {
    const QString drive = DriveList->Drive();
    try {
        DirList->SetPath(driveFolders_.value(drive, drive));
    } catch (const std::runtime_error& failure) {
        ShowMessage(this, kProgramTitle, QString::fromStdString(failure.what()));
        const QString home = platform::VolumeRootOf(programFolder_);
        if (drive != home) {
            DriveList->SetDrive(home);  // raises DriveList_Change again
        }
        return;
    }
    PlayInterfaceSound(QStringLiteral("change.wav"));
}

void frmMain::StartBrowsing() {
    connect(DirList, &FolderPicker::Change, this, &frmMain::DirList_Change);
    connect(DriveList, &DrivePicker::Change, this, &frmMain::DriveList_Change);
    connect(DirList, &FolderPicker::OpenFailed, this,
            [this](const QString& description) { ShowMessage(this, kProgramTitle, description); });
    connect(Label4, &ClickLabel::Click, this, &frmMain::Label4_Click);
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
