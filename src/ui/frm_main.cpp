#include "ui/frm_main.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QPainter>

#include "ui/artwork.h"
#include "ui/colours.h"
#include "ui/units.h"

namespace echodelve::ui {

namespace {

constexpr double kClientWidthTwips = 5280;
constexpr double kClientHeightTwips = 4980;

QLabel* MakeLabel(const QString& text, QWidget* parent, QRect geometry) {
    auto* label = new QLabel(text, parent);
    // Labels show names from archives and paths: never read them as markup.
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setGeometry(geometry);
    return label;
}

ClickLabel* MakeLabelButton(const QString& caption, QWidget* parent, double left, double top) {
    auto* label = new ClickLabel(caption, parent);
    label->MoveTwips(left, top);
    label->AutoSize();
    return label;
}

// A list placed larger than its container, so the container hides its border.
template <typename List>
List* MakeClippedList(Panel* container, QRect geometry) {
    auto* list = new List(container);
    list->setGeometry(geometry);
    return list;
}

void SetDarkColours(QWidget* widget) {
    QPalette palette = widget->palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        palette.setColor(role, kPanelGrey);
    }
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(role, kTextSilver);
    }
    widget->setPalette(palette);
}

}  // namespace

frmMain::frmMain(platform::SoundService* sound, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      sound_(sound),
      programFolder_(QCoreApplication::applicationDirPath()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Echo Delve"));
    setWindowIcon(ProgramIcon());
    setFixedSize(Px(kClientWidthTwips), Px(kClientHeightTwips));
    SetDarkColours(this);
    setAutoFillBackground(true);
    picture_ = BackgroundPicture();

    title = new ClickLabel(QStringLiteral("E c h o   D e l v e"), this);
    title->setGeometry(TwipsRect(0, 0, 5250, 225));
    QFont titleFont(QStringLiteral("Arial"), 9);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->SetAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette titlePalette = title->palette();
    titlePalette.setColor(QPalette::WindowText, kTitleGrey);
    title->setPalette(titlePalette);

    // Made after the title so they lie above it and take its presses.
    mnulabel = new GlyphLabel(GlyphLabel::Glyph::MenuArrow, this);
    mnulabel->setGeometry(TwipsRect(90, 30, 195, 165));
    Label3 = new GlyphLabel(GlyphLabel::Glyph::Minimize, this);
    Label3->setGeometry(TwipsRect(4830, 30, 195, 195));
    Label2 = new GlyphLabel(GlyphLabel::Glyph::Close, this);
    Label2->setGeometry(TwipsRect(5010, 30, 195, 195));

    Status = MakeLabel(QString(), this, QRect(Px(60), Px(4755), width() - Px(60), Px(195)));

    BuildMainPanel();
    BuildBrowsePanel();
    StartBrowsing();
    ConnectChrome();
}

void frmMain::BuildMainPanel() {
    MainPicBox = new Panel(this, kMainUnitTwipsX);
    MainPicBox->setObjectName(QStringLiteral("MainPicBox"));
    MainPicBox->setGeometry(TwipsRect(0, 510, 4560, 3915));
    MainPicBox->SetLeftUnits(kPanelOut);

    lblName = MakeLabel(QStringLiteral("Name"), MainPicBox, QRect(Px(165), Px(210), 0, Px(195)));
    lblName->adjustSize();
    lblSize = MakeLabel(QStringLiteral("Size"), MainPicBox, QRect(Px(3090), Px(210), 0, Px(195)));
    lblSize->adjustSize();

    Port = new SoundList(MainPicBox);
    Port->setObjectName(QStringLiteral("Port"));
    Port->setGeometry(TwipsRect(150, 420, 4195, 3135));
    Port->setColumnCount(2);
    Port->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size")});
    Port->setHeaderHidden(true);  // the panel draws its own heading row
    Port->setColumnWidth(0, Px(2700));
    Port->setColumnWidth(1, Px(700));
    Port->setRootIsDecorated(false);
    Port->setUniformRowHeights(true);
    Port->setFrameShape(QFrame::NoFrame);
    Port->setSelectionMode(QAbstractItemView::SingleSelection);
    Port->setAllColumnsShowFocus(true);

    loopsnd = new QCheckBox(QStringLiteral("Loop Sound"), MainPicBox);
    loopsnd->setObjectName(QStringLiteral("loopsnd"));
    loopsnd->setGeometry(TwipsRect(120, 3600, 1275, 285));

    Label5 = MakeLabelButton(QStringLiteral("&Stop Sound"), MainPicBox, 3450, 3630);

    // Frame round the heading row and the list, and the heading separators.
    MainPicBox->AddLine(135, 180, 135, 3540);
    MainPicBox->AddLine(4350, 180, 4350, 3540);
    MainPicBox->AddLine(120, 180, 4350, 180);
    MainPicBox->AddLine(120, 3555, 4350, 3555);
    MainPicBox->AddLine(150, 390, 4350, 390);
    MainPicBox->AddLine(3060, 180, 3060, 390);
}

void frmMain::BuildBrowsePanel() {
    BrowseDlg = new Panel(this, kMainUnitTwipsX);
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

    BrowseStatus = MakeLabel(QString(), BrowseDlg,
                             QRect(Px(2265), Px(3285), BrowseDlg->width() - Px(2265), Px(195)));

    opendir = new QCheckBox(QStringLiteral("Open Folder When Saved"), BrowseDlg);
    opendir->setObjectName(QStringLiteral("opendir"));
    opendir->setGeometry(TwipsRect(150, 3630, 2205, 255));

    Label1 = MakeLabelButton(QStringLiteral("&OK"), BrowseDlg, 3480, 3660);
    Label4 = MakeLabelButton(QStringLiteral("&Cancel"), BrowseDlg, 3870, 3660);

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

void frmMain::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    // The striped background behind the panels: a line every 30 twips.
    painter.setPen(QPen(kLineColour, 1));
    for (int y = 240; y <= 4710; y += 30) {
        painter.drawLine(Px(17), Px(y), Px(5244), Px(y));
    }
}

}  // namespace echodelve::ui
