#include "ui/frm_main.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <array>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QShortcut>
#include <QWindow>
#include <cmath>

#include "ui/artwork.h"
#include "ui/colours.h"
#include "ui/focus_outline.h"
#include "ui/titles.h"
#include "ui/units.h"

namespace echodelve::ui {

namespace {

constexpr double kClientWidthTwips = 5280;
constexpr double kClientHeightTwips = 4980;

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

// Input a user gives, which a busy window drops when it is meant for it.
bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::ToolTip:  // a row's details would describe the archive being replaced
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        default:
            return false;
    }
}

// A press of a button or a key, which the user expects to do something.
bool IsPress(const QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return true;
        case QEvent::KeyPress:
            return !static_cast<const QKeyEvent*>(event)->isAutoRepeat();
        default:
            return false;
    }
}

}  // namespace

// The first receiver of a press refuses it, so the bell rings once.
class frmMain::InputRefusal : public QObject {
  public:
    explicit InputRefusal(frmMain& main) : main_(main) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~InputRefusal() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputRefusal(const InputRefusal&) = delete;
    InputRefusal& operator=(const InputRefusal&) = delete;

  protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        if (!IsUserInput(event->type()) || main_.TakesInputWhileBusy(receiver)) {
            return false;
        }
        // A shortcut is delivered to the QShortcut object, which belongs to a widget.
        const QObject* owner = event->type() == QEvent::Shortcut ? receiver->parent() : receiver;
        const auto* widget = qobject_cast<const QWidget*>(owner);
        const bool refused = widget != nullptr && (widget == &main_ || main_.isAncestorOf(widget));
        if (refused && IsPress(event)) {
            QApplication::beep();
        }
        return refused;
    }

  private:
    frmMain& main_;
};

frmMain::frmMain(platform::SoundService* sound, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      programFolder_(QCoreApplication::applicationDirPath()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString(kWindowCaption));
    setWindowIcon(ProgramIcon());
    setAcceptDrops(true);
    setFixedSize(Px(kClientWidthTwips), Px(kClientHeightTwips));
    SetDarkColours(this);
    setAutoFillBackground(true);
    picture_ = BackgroundPicture();

    w_.title = new ClickLabel(QStringLiteral("E c h o   D e l v e"), this);
    w_.title->setGeometry(TwipsRect(0, 0, 5250, 225));
    QFont titleFont(QStringLiteral("Arial"), 9);
    titleFont.setBold(true);
    w_.title->setFont(titleFont);
    w_.title->SetAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QPalette titlePalette = w_.title->palette();
    titlePalette.setColor(QPalette::WindowText, kTitleGrey);
    w_.title->setPalette(titlePalette);

    // Made after the title so they lie above it and take its presses.
    w_.mnulabel = new GlyphLabel(GlyphLabel::Glyph::MenuArrow, this);
    w_.mnulabel->setGeometry(TwipsRect(90, 30, 195, 165));
    w_.Label3 = new GlyphLabel(GlyphLabel::Glyph::Minimize, this);
    w_.Label3->setGeometry(TwipsRect(4830, 30, 195, 195));
    w_.Label2 = new GlyphLabel(GlyphLabel::Glyph::Close, this);
    w_.Label2->setGeometry(TwipsRect(5010, 30, 195, 195));

    w_.Status = MakeLabel(QString(), this, QRect(Px(60), Px(4755), width() - Px(60), Px(195)));
    Describe(w_.title, QStringLiteral("Echo Delve"),
             QStringLiteral("The window's title bar; drag it to move the window"), false);
    Describe(w_.mnulabel, QStringLiteral("Menu"), QStringLiteral("Opens the main menu (F10)"));
    Describe(w_.Label3, QStringLiteral("Minimize"), QStringLiteral("Minimizes the window"));
    Describe(w_.Label2, QStringLiteral("Close"), QStringLiteral("Ends Echo Delve"));
    Describe(w_.Status, QStringLiteral("Status"),
             QStringLiteral("The archive's summary, or the sound chosen and its size"), false);

    BuildMainPanel();
    browse_ = new BrowsePanel(this, {w_.MainPicBox, w_.Port, w_.loopsnd}, sound,
                              [this] { return programFolder_; });
    Connect();
}

void frmMain::BuildMainPanel() {
    w_.MainPicBox = new Panel(this, kMainUnitTwipsX);
    Panel* panel = w_.MainPicBox;
    panel->setObjectName(QStringLiteral("MainPicBox"));
    panel->setGeometry(TwipsRect(0, 510, 4560, 3915));
    panel->SetLeftUnits(BrowsePanel::kPanelOut);

    w_.lblName = MakeLabel(QStringLiteral("Name"), panel, QRect(Px(165), Px(210), 0, Px(195)));
    w_.lblName->adjustSize();
    w_.lblSize = MakeLabel(QStringLiteral("Size"), panel, QRect(Px(3090), Px(210), 0, Px(195)));
    w_.lblSize->adjustSize();

    SoundList* port = w_.Port = new SoundList(panel);
    port->setObjectName(QStringLiteral("Port"));
    port->setGeometry(TwipsRect(150, 420, 4195, 3135));
    port->setColumnCount(2);
    port->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size")});
    port->setHeaderHidden(true);  // the panel draws its own heading row
    port->setColumnWidth(0, Px(2700));
    port->setColumnWidth(1, Px(700));
    port->setRootIsDecorated(false);
    port->setUniformRowHeights(true);
    port->setFrameShape(QFrame::NoFrame);
    port->setSelectionMode(QAbstractItemView::SingleSelection);
    port->setAllColumnsShowFocus(true);
    FocusOutline::Attach(port);

    w_.loopsnd = new QCheckBox(QStringLiteral("Loop Sound"), panel);
    w_.loopsnd->setObjectName(QStringLiteral("loopsnd"));
    w_.loopsnd->setGeometry(TwipsRect(120, 3600, 1275, 285));

    w_.Label5 = new LabelButton(QStringLiteral("&Stop Sound"), panel, {3450, 3630});
    Describe(port, QStringLiteral("Sounds"),
             QStringLiteral("The archive's sounds with their sizes; Enter or a double-click "
                            "plays one"),
             false);
    Describe(w_.loopsnd, QStringLiteral("Loop Sound"),
             QStringLiteral("Plays a sound over and over until Stop Sound"));
    Describe(w_.Label5, QStringLiteral("Stop Sound"),
             QStringLiteral("Stops the sound playing (Alt+S)"));

    // Frame round the heading row and the list, and the heading separators.
    panel->AddLine(135, 180, 135, 3540);
    panel->AddLine(4350, 180, 4350, 3540);
    panel->AddLine(120, 180, 4350, 180);
    panel->AddLine(120, 3555, 4350, 3555);
    panel->AddLine(150, 390, 4350, 390);
    panel->AddLine(3060, 180, 3060, 390);
}

void frmMain::Connect() {
    connect(w_.title, &ClickLabel::MouseDown, this, &frmMain::title_MouseDown);
    connect(w_.title, &ClickLabel::MouseMove, this, &frmMain::title_MouseMove);
    connect(w_.title, &ClickLabel::MouseUp, this, &frmMain::title_MouseUp);
    connect(w_.mnulabel, &ClickLabel::Click, this, &frmMain::MenuRequested);
    connect(w_.Label2, &ClickLabel::Click, this, &frmMain::CloseRequested);
    connect(w_.Label3, &ClickLabel::Click, this, &QWidget::showMinimized);
    connect(w_.Port, &SoundList::DblClick, this, &frmMain::PreviewRequested);
    connect(
        new QShortcut(QKeySequence(Qt::Key_Return), w_.Port, nullptr, nullptr, Qt::WidgetShortcut),
        &QShortcut::activated, this, &frmMain::PreviewRequested);
    connect(w_.Port, &QTreeWidget::itemClicked, this, &frmMain::RowClicked);
    connect(w_.Port, &SoundList::KeyboardMoved, this, &frmMain::RowClicked);
    // The main menu from the keyboard, where the glyph opens it.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, &frmMain::MenuRequested);
    }
    connect(w_.Label5, &ClickLabel::Click, this, &frmMain::StopSoundRequested);
    connect(browse_, &BrowsePanel::Confirm, this, &frmMain::ConfirmRequested);
    connect(browse_, &BrowsePanel::FolderMenu, this, &frmMain::FolderMenuRequested);

    // The label buttons' underlined letters work from the keyboard (Alt+O,
    // Alt+C, Alt+S) while the button's panel is in view and no slide runs.
    // Escape is "&Cancel" too, but only as a key the panel itself receives
    // (keyPressEvent): a shortcut would also take the Escape that closes a
    // drop-down or a menu.
    const std::array<std::pair<LabelButton*, QKeySequence>, 3> keys = {
        {{browse_->Label1, QKeySequence::mnemonic(browse_->Label1->Caption())},
         {browse_->Label4, QKeySequence::mnemonic(browse_->Label4->Caption())},
         {w_.Label5, QKeySequence::mnemonic(w_.Label5->Caption())}}};
    for (const auto& [label, sequence] : keys) {
        auto* key = new QShortcut(sequence, this);
        connect(key, &QShortcut::activated, this,
                [this, label = label] { PressFromKeyboard(label); });
    }
}

void frmMain::PressFromKeyboard(LabelButton* label) {
    const auto* panel = static_cast<const Panel*>(label->parentWidget());
    if (!browse_->Swishing() && !ProcedureRunning() &&
        panel->LeftUnits() <= BrowsePanel::kPanelIn) {
        emit label->Click();
    }
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    // What reaches the window here went unused by the control with focus, in
    // the panel in view, or the window had no control with focus.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        PressFromKeyboard(browse_->Label4);
        return;
    }
    QWidget::keyPressEvent(event);
}

namespace {

// The one local file a drop carries, or empty.
QString DroppedFile(const QMimeData* data) {
    const QList<QUrl> urls = data->urls();
    return urls.size() == 1 && urls.constFirst().isLocalFile() ? urls.constFirst().toLocalFile()
                                                               : QString();
}

// The local WAV files a drop carries (by their extension, in any case), or
// none when it carries anything else.
QStringList DroppedSounds(const QMimeData* data) {
    QStringList files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() ||
            !url.toLocalFile().endsWith(QLatin1String(".wav"), Qt::CaseInsensitive)) {
            return {};
        }
        files << url.toLocalFile();
    }
    return files;
}

}  // namespace

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!ProcedureRunning() && event->source() == nullptr &&
        (!DroppedFile(event->mimeData()).isEmpty() ||
         !DroppedSounds(event->mimeData()).isEmpty())) {
        event->acceptProposedAction();
    }
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    // Several files go only onto the list; one goes anywhere (an archive opens).
    const bool several = DroppedFile(event->mimeData()).isEmpty();
    if (several && !DropTarget(event->position())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

std::optional<std::int32_t> frmMain::DropTarget(QPointF position) const {
    SoundList* list = w_.Port;
    if (!list->isVisible()) {
        return std::nullopt;
    }
    const QPoint at = list->viewport()->mapFrom(this, position.toPoint());
    if (!list->viewport()->rect().contains(at)) {
        return std::nullopt;
    }
    const QTreeWidgetItem* row = list->itemAt(at);
    return row != nullptr ? SoundList::NumberOf(row) : 0;
}

void frmMain::dropEvent(QDropEvent* event) {
    if (ProcedureRunning() || event->source() != nullptr) {
        return;
    }
    const QStringList sounds = DroppedSounds(event->mimeData());
    if (const std::optional<std::int32_t> target = DropTarget(event->position());
        target && !sounds.isEmpty()) {
        event->acceptProposedAction();
        emit SoundsDropped(*target, sounds);
        return;
    }
    const QString file = DroppedFile(event->mimeData());
    if (file.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    emit ArchiveDropped(file);
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit CloseRequested();
}

frmMain::~frmMain() = default;

void frmMain::SetProcedureRunning(bool running) {
    if (running && refusal_ == nullptr) {
        refusal_ = std::make_unique<InputRefusal>(*this);
    } else if (!running) {
        refusal_.reset();
    }
}

bool frmMain::TakesInputWhileBusy(const QObject* receiver) const {
    return receiver == w_.title || receiver == w_.mnulabel || receiver == w_.Label2 ||
           receiver == w_.Label3;
}

void frmMain::ClearSounds() {
    w_.Port->clear();
}

void frmMain::AddSound(std::int32_t number, const QString& name, qint64 size, bool edited) {
    auto* row = new QTreeWidgetItem(w_.Port, {name, QString::number(size)});
    row->setData(0, kRowKeyRole, QStringLiteral("a") + QString::number(number));
    if (edited) {
        QFont font = w_.Port->font();
        font.setBold(true);
        font.setItalic(true);
        for (int column = 0; column < 2; ++column) {
            row->setFont(column, font);
        }
        row->setData(0, Qt::AccessibleDescriptionRole, QStringLiteral("edited, not yet saved"));
    }
}

int frmMain::SoundCount() const {
    return w_.Port->topLevelItemCount();
}

std::optional<SoundRow> frmMain::SelectedSound() const {
    const QList<QTreeWidgetItem*> selected = w_.Port->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    const QTreeWidgetItem* row = selected.front();
    return SoundRow{SoundList::NumberOf(row), row->text(0), row->text(1)};
}

void frmMain::SetSoundListVisible(bool visible) {
    w_.Port->setVisible(visible);
}

void frmMain::SetStatus(const QString& text) {
    w_.Status->setText(text);
}

void frmMain::title_MouseDown(Qt::MouseButton /*button*/, QPointF position) {
    // Where the platform does not let a program place its windows, its own move serves.
    if (QGuiApplication::platformName() == QLatin1String("wayland") && windowHandle() != nullptr) {
        windowHandle()->startSystemMove();
        return;
    }
    dragging_ = true;
    DownX_ = PixelsToMainUnitsX(position.x());
    DownY_ = PixelsToMainUnitsY(position.y());
}

void frmMain::title_MouseMove(Qt::MouseButtons /*buttons*/, QPointF position) {
    if (!dragging_) {
        return;
    }
    // The same physical distance as the pointer moved, so the pressed point
    // stays under it.
    const double dx = MainUnitsToPixelsX(PixelsToMainUnitsX(position.x()) - DownX_);
    const double dy = MainUnitsToPixelsY(PixelsToMainUnitsY(position.y()) - DownY_);
    move(pos() + QPoint(static_cast<int>(std::lround(dx)), static_cast<int>(std::lround(dy))));
    QCoreApplication::processEvents();
}

void frmMain::title_MouseUp(Qt::MouseButton /*button*/, QPointF /*position*/) {
    dragging_ = false;
}

void frmMain::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    // The striped background behind the panels: a line every 30 twips.
    std::vector<QLine> stripes;
    for (int y = 240; y <= 4710; y += 30) {
        stripes.emplace_back(Px(17), Px(y), Px(5244), Px(y));
    }
    DrawGridLines(painter, kLineColour, stripes);
}

}  // namespace echodelve::ui
