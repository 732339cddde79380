#include "iconlist/list_icons.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "iconfile/ico_decode.h"
#include "iconfile/ico_reader.h"
#include "iconfile/icon_pack.h"
#include "platform/file_io.h"
#include "platform/icon_draw.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_path.h"

namespace gf {

namespace fs = std::filesystem;
using namespace iconlist;

int TListIcons::AddBatchCounter = 0;

namespace {

constexpr Qt::CursorShape DragCursor = Qt::DragMoveCursor;
constexpr int ResizeDelayMs = 700;

const QString SaveFileCaption = QStringLiteral("Save File");

QString OverwriteQuestion(const QString& target) {
    return "File\n" + target + "\nhas been existed. \nDo you want to overwrite it?";
}

QString CanNotOpen(const QString& path, const std::string& reason) {
    return WithReasonBelow("Can not open " + path + "!", reason);
}

// A byte-for-byte copy that replaces the target only once it is whole; the windows have asked
// before replacing a file, so a read-only one is replaced too.
bool CopyIconFile(const fs::path& from, const fs::path& to, QString& failedPath,
                  std::string& reason) {
    auto bytes = ReadFileBytes(from);
    if (!bytes) {
        failedPath = ToQString(from);
        reason = bytes.GetError().Cause;
        return false;
    }
    if (Status written = WriteFileAtomic(to, *bytes, DiskFlush::Yes, ReadOnlyTarget::Replace);
        !written) {
        failedPath = ToQString(to);
        reason = written.ErrorCause();
        return false;
    }
    return true;
}

// The descriptions' font, and where their text rectangle starts in a cell.
QFont CaptionFont() {
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

int CaptionTop() {
    return TextRectInCell(0, QFontMetrics(CaptionFont()).height()).Top;
}

bool Exists(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// The chosen name with its extension replaced by ".ico" (added when it has none).
fs::path WithIcoExtension(const QString& name) {
    return ToPath(name).replace_extension(".ico");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Image1

ListIconsImage::ListIconsImage(TListIcons& owner, QWidget* parent) : QWidget(parent), Owner(owner) {
    setObjectName(QStringLiteral("Image1"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ListIconsImage::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area = event->rect();
    painter.drawImage(area.topLeft(), Picture, area);
    if (!Frame.Valid())
        return;
    // The frame is 3 pixels wide, centred on the rectangle's outline, and inverts what lies
    // under it. Four bands that do not overlap, so no pixel is inverted twice.
    const int l = Frame.Left, t = Frame.Top, r = Frame.Right, b = Frame.Bottom;
    const int half = SelectionPenWidth / 2;
    const QRect bands[] = {
        QRect(QPoint(l - half, t - half), QPoint(r - 1 + half, t + half)),              // top
        QRect(QPoint(l - half, b - 1 - half), QPoint(r - 1 + half, b - 1 + half)),      // bottom
        QRect(QPoint(l - half, t + half + 1), QPoint(l + half, b - 2 - half)),          // left
        QRect(QPoint(r - 1 - half, t + half + 1), QPoint(r - 1 + half, b - 2 - half)),  // right
    };
    // While the grid has the keyboard the frame takes the desktop's selection colour, as a
    // list's current item does; otherwise it inverts what lies under it.
    if (Owner.Edit1 && Owner.Edit1->hasFocus()) {
        for (const QRect& band : bands)
            painter.fillRect(band, palette().color(QPalette::Active, QPalette::Highlight));
        return;
    }
    painter.setCompositionMode(QPainter::RasterOp_NotDestination);
    for (const QRect& band : bands)
        painter.fillRect(band, Qt::black);
}

void ListIconsImage::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Owner.Image1MouseDown(event->button(), p.x(), p.y());
}

void ListIconsImage::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    Owner.Image1MouseUp(event->button(), p.x(), p.y());
    // The popup comes after the button is let go, so a right-button drag still reorders and
    // the menu then acts on the icon where it was dropped.
    if (event->button() == Qt::RightButton && Owner.PopupMenu1) {
        Owner.ActionList1Update();
        Owner.PopupMenu1->popup(event->globalPosition().toPoint());
    }
}

void ListIconsImage::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Owner.Image1DblClick();
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TListIcons::TListIcons(fs::path workFolder, QWidget* owner)
    : QDialog(owner), WorkFolder(std::move(workFolder)) {
    setObjectName(QStringLiteral("ListIcons"));
    setWindowTitle(QStringLiteral("Extract Icons"));

    SaveDialog1.Mode = FileDialog::Kind::Save;
    SaveDialog1.Filter = QStringLiteral("Icon|*.ico");
    OpenDialog1.Mode = FileDialog::Kind::Open;
    OpenDialog1.Filter = QStringLiteral("Icon|*.ico;*.exe;*.dll;*.ocx;*.scr|*.*|*.*");

    BuildControls();
    BuildActions();

    ResizeTimer = new QTimer(this);
    ResizeTimer->setObjectName(QStringLiteral("ResizeTimer"));
    ResizeTimer->setInterval(ResizeDelayMs);
    connect(ResizeTimer, &QTimer::timeout, this, &TListIcons::ResizeTimerTimer);

    DrawTimer = new QTimer(this);
    DrawTimer->setSingleShot(true);
    DrawTimer->setInterval(0);
    connect(DrawTimer, &QTimer::timeout, this, [this] { DrawCells(false); });

    // The client area starts at 599 x 440, centred on the screen.
    resize(599, 440);
    if (QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        move(avail.center() - QPoint(width() / 2, height() / 2));
    }
    ActionList1Update();
}

TListIcons::~TListIcons() {
    FormDestroy();
}

void TListIcons::FormDestroy() {
    // The one-image files of the set belong to this window.
    for (const fs::path& file : Icons.IconFiles) {
        std::error_code ec;
        fs::remove(file, ec);
    }
}

void TListIcons::BuildControls() {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    // Centred on each axis on which no scroll bar is needed.
    ScrollBox1->setAlignment(Qt::AlignCenter);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    // The grid takes the keys through Edit1; the box itself is never a stop of the Tab key.
    ScrollBox1->setFocusPolicy(Qt::NoFocus);
    // Room for at least one cell with the grid's margin, and for its scroll bars.
    ScrollBox1->setMinimumSize(CellSize + GridMargin + 24, CellSize + GridMargin + 24);
    Image1 = new ListIconsImage(*this, nullptr);
    Image1->Picture = QImage(1, 1, QImage::Format_RGB32);
    Image1->Picture.fill(Qt::white);
    Image1->resize(1, 1);
    ScrollBox1->setWidget(Image1);
    outer->addWidget(ScrollBox1, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(100);
    auto* panelLayout = new QHBoxLayout(Panel1);
    panelLayout->setContentsMargins(8, 4, 8, 6);
    panelLayout->setSpacing(12);

    GroupBox1 = new QGroupBox(QStringLiteral("Resort Icons"), Panel1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* groupLayout = new QGridLayout(GroupBox1);
    groupLayout->setContentsMargins(8, 4, 8, 3);
    groupLayout->setHorizontalSpacing(6);
    groupLayout->setVerticalSpacing(4);
    auto makeButton = [](const QString& name, const QString& text, QWidget* parent) {
        auto* b = new QPushButton(text, parent);
        b->setObjectName(name);
        return b;
    };
    BitBtn10 = makeButton(QStringLiteral("BitBtn10"), QStringLiteral("First"), GroupBox1);
    BitBtn8 = makeButton(QStringLiteral("BitBtn8"), QStringLiteral("Prev"), GroupBox1);
    BitBtn9 = makeButton(QStringLiteral("BitBtn9"), QStringLiteral("Next"), GroupBox1);
    BitBtn11 = makeButton(QStringLiteral("BitBtn11"), QStringLiteral("Last"), GroupBox1);
    BitBtn1 = makeButton(QStringLiteral("BitBtn1"), QStringLiteral("Add Icon"), GroupBox1);
    BitBtn2 = makeButton(QStringLiteral("BitBtn2"), QStringLiteral("Save all in one"), GroupBox1);
    groupLayout->addWidget(BitBtn10, 0, 0);
    groupLayout->addWidget(BitBtn8, 0, 1);
    groupLayout->addWidget(BitBtn9, 0, 2);
    groupLayout->addWidget(BitBtn11, 0, 3);
    groupLayout->addWidget(BitBtn1, 1, 0, 1, 2);
    groupLayout->addWidget(BitBtn2, 1, 2, 1, 2);
    ProgressBar1 = new QProgressBar(GroupBox1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(4);
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);
    groupLayout->addWidget(ProgressBar1, 2, 0, 1, 4);
    panelLayout->addWidget(GroupBox1);
    panelLayout->addStretch(1);

    auto* right = new QGridLayout();
    right->setHorizontalSpacing(6);
    right->setVerticalSpacing(4);
    BitBtn6 = makeButton(QStringLiteral("BitBtn6"), QStringLiteral("Fresh"), Panel1);
    BitBtn3 = makeButton(QStringLiteral("BitBtn3"), QStringLiteral("Cancel"), Panel1);
    BitBtn7 = makeButton(QStringLiteral("BitBtn7"), QStringLiteral("OK"), Panel1);
    // Enter takes the selected icon, unless another button has the focus.
    BitBtn7->setDefault(true);
    // The bottom row lines up with the group's second row of buttons.
    right->setContentsMargins(0, 0, 0, 12);
    right->setRowStretch(0, 1);
    right->addWidget(BitBtn6, 1, 1);
    right->addWidget(BitBtn3, 2, 0);
    right->addWidget(BitBtn7, 2, 1);
    panelLayout->addLayout(right);

    // Out of sight; it only holds the keyboard focus.
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(-200, 10, 100, 20);
    Edit1->installEventFilter(this);

    BBFresh = makeButton(QStringLiteral("BBFresh"), QStringLiteral("Fresh"), Panel1);
    BBFresh->setEnabled(false);
    BBFresh->hide();
    BBFresh->setGeometry(-200, 40, 60, 24);

    outer->addWidget(Panel1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusText = new QLabel(StatusBar1);
    StatusText->setObjectName(QStringLiteral("StatusText"));
    StatusBar1->addWidget(StatusText, 1);
    outer->addWidget(StatusBar1);

    // The grid first (its keys reach Edit1), then the group's buttons, then the window's.
    QWidget* order[] = {Edit1,   BitBtn10, BitBtn8, BitBtn9, BitBtn11,
                        BitBtn1, BitBtn2,  BitBtn6, BitBtn3, BitBtn7};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    Edit1->setFocus(Qt::OtherFocusReason);

    connect(BitBtn6, &QPushButton::clicked, this, &TListIcons::BitBtn6Click);
    connect(BitBtn3, &QPushButton::clicked, this, [this] { done(ResultCancel); });
    connect(BitBtn7, &QPushButton::clicked, this, [this] { done(ResultOk); });
}

void TListIcons::BuildActions() {
    auto makeAction = [this](const QString& name, const QString& text, void (TListIcons::*run)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, run);
        return a;
    };
    MoveToFirst = makeAction(QStringLiteral("MoveToFirst"), QStringLiteral("First"),
                             &TListIcons::MoveToFirstExecute);
    MoveToPrevious = makeAction(QStringLiteral("MoveToPrevious"), QStringLiteral("Prev"),
                                &TListIcons::MoveToPreviousExecute);
    MoveToNext = makeAction(QStringLiteral("MoveToNext"), QStringLiteral("Next"),
                            &TListIcons::MoveToNextExecute);
    MoveToLast = makeAction(QStringLiteral("MoveToLast"), QStringLiteral("Last"),
                            &TListIcons::MoveToLastExecute);
    AddIcon = makeAction(QStringLiteral("AddIcon"), QStringLiteral("Add Icon"),
                         &TListIcons::AddIconExecute);
    SaveAll = new QAction(QStringLiteral("Save all in one"), this);
    SaveAll->setObjectName(QStringLiteral("SaveAll"));
    connect(SaveAll, &QAction::triggered, this, [this] { SaveAllExecute(); });
    SaveIcons = makeAction(QStringLiteral("SaveIcons"), QStringLiteral("Save all icons"),
                           &TListIcons::SaveIconsExecute);
    SaveSelectedIcon =
        makeAction(QStringLiteral("SaveSelectedIcon"), QStringLiteral("Save selected icon"),
                   &TListIcons::SaveSelectedIconExecute);
    DeleteSelectedIcon =
        makeAction(QStringLiteral("DeleteSelectedIcon"), QStringLiteral("Delete selected icon"),
                   &TListIcons::DeleteSelectedIconExecute);

    // Buttons follow their action: clicking runs it, its enabling shows on the button.
    auto bind = [this](QPushButton* button, QAction* action) {
        connect(button, &QPushButton::clicked, action, &QAction::trigger);
        connect(action, &QAction::changed, button,
                [button, action] { button->setEnabled(action->isEnabled()); });
        button->setEnabled(action->isEnabled());
    };
    bind(BitBtn10, MoveToFirst);
    bind(BitBtn8, MoveToPrevious);
    bind(BitBtn9, MoveToNext);
    bind(BitBtn11, MoveToLast);
    bind(BitBtn1, AddIcon);
    bind(BitBtn2, SaveAll);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](const QString& name, const QString& text, QAction* action) {
        auto* a = PopupMenu1->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, action, &QAction::trigger);
        connect(action, &QAction::changed, a, [a, action] { a->setEnabled(action->isEnabled()); });
        return a;
    };
    First1 = item(QStringLiteral("First1"), QStringLiteral("Save selected icon"), SaveSelectedIcon);
    SaveAll1 =
        item(QStringLiteral("SaveAll1"), QStringLiteral("Save all as one icon file"), SaveAll);
    SaveIcons1 = item(QStringLiteral("SaveIcons1"), QStringLiteral("Save all icons"), SaveIcons);
    PopupMenu1->addSeparator();
    DeleteSelectedIcon1 = item(QStringLiteral("DeleteSelectedIcon1"),
                               QStringLiteral("Delete selected icon"), DeleteSelectedIcon);
    AddIcon1 = item(QStringLiteral("AddIcon1"), QStringLiteral("Add icon"), AddIcon);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TListIcons::ActionList1Update);
}

// ---------------------------------------------------------------------------------------------
// Closing

void TListIcons::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TListIcons::reject() {
    done(ResultCancel);
}

void TListIcons::FormClose() {
    if (!Modified)
        return;
    Modified = false;
    if (AskYesNo(QStringLiteral("Icons have been modified, Do you want to save them?"),
                 SaveFileCaption, this) == Answer::Yes) {
        SaveAllExecute();
    }
}

// ---------------------------------------------------------------------------------------------
// Layout and drawing

QString TListIcons::StatusLine() const {
    return StatusText->text();
}

void TListIcons::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

void TListIcons::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A drawing asked for while the window was hidden starts now.
    if (IsDrawing())
        ScheduleDrawing();
}

void TListIcons::FormResize() {
    ResizeTimer->start();
}

void TListIcons::ResizeTimerTimer() {
    ResizeTimer->stop();
    Refresh();
}

void TListIcons::BitBtn6Click() {
    // Back to the top-left; the scroll area sizes its ranges from the picture.
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
    SelectionRect = GridRect{};
    ShowSelectionFrame(SelectionRect);

    // The space the scroll box offers with no scroll bar shown.
    const QSize client = ScrollBox1->maximumViewportSize();
    const int n = static_cast<int>(Icons.Size());
    ColumnCount = ColumnCountFor(client.width());
    const GridSize size = PictureSizeFor(client.width(), client.height(), ColumnCount, n);

    QImage picture(size.Width, size.Height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    Image1->Picture = std::move(picture);
    Image1->resize(size.Width, size.Height);

    ProgressBar1->setRange(0, std::max(n, 1));
    ProgressBar1->setValue(0);
    NextCell = 0;
    CellsToDraw = n;
    DrawTimer->stop();
    ScheduleDrawing();
    Image1->update();
}

bool TListIcons::IsDrawing() const {
    return NextCell < CellsToDraw;
}

void TListIcons::FinishDrawing() {
    if (IsDrawing())
        DrawCells(true);
}

void TListIcons::ScheduleDrawing() {
    // Nothing is decoded for a window that is not on the screen (the Save command's insert
    // case never shows it); the drawing starts when it is shown.
    if (IsDrawing() && isVisible() && !DrawTimer->isActive())
        DrawTimer->start();
}

void TListIcons::DrawCells(bool all) {
    QElapsedTimer clock;
    clock.start();
    const int n = std::min(CellsToDraw, static_cast<int>(Icons.Size()));
    while (NextCell < n) {
        DrawCell(NextCell);
        ++NextCell;
        ProgressBar1->setValue(NextCell);
        if (!all && clock.elapsed() >= DrawSliceMs)
            break;
    }
    if (NextCell >= n)
        CellsToDraw = NextCell;
    Image1->update();
    ScheduleDrawing();
}

const TListIcons::CellArt& TListIcons::ArtOf(const fs::path& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    const auto time = ec ? fs::file_time_type{} : fs::last_write_time(file, ec);
    auto found = ArtCache.find(file);
    if (found != ArtCache.end() && !ec && found->second.FileSize == size &&
        found->second.FileTime == time) {
        return found->second;
    }
    CellArt art;
    if (!ec) {
        art.FileSize = size;
        art.FileTime = time;
    }
    auto icon = LoadIconFileFirstSize(file);
    if (icon && !icon->Empty()) {
        art.Loaded = true;
        art.Place = PlaceIconInCell(icon->Width(), icon->Height(), CaptionTop());
        // The icon over the cell's white ground, then shrunk by averaging, which keeps thin
        // lines and edges of large icons readable.
        Bitmap canvas(icon->Width(), icon->Height(), PixelFormat::Bits24);
        canvas.Fill(White);
        DrawIcon(canvas, 0, 0, icon->Color, icon->Mask);
        if (art.Place.Width != icon->Width() || art.Place.Height != icon->Height()) {
            canvas = art.Place.Width > 0 && art.Place.Height > 0
                         ? StretchAreaAverage(canvas, art.Place.Width, art.Place.Height,
                                              PixelFormat::Bits24)
                         : Bitmap();
        }
        if (!canvas.Empty())
            art.Icon = ToQImage(canvas).convertToFormat(QImage::Format_RGB32);
    }
    return ArtCache[file] = std::move(art);
}

void TListIcons::DrawCell(int index) {
    const fs::path& file = Icons.IconFiles[static_cast<std::size_t>(index)];
    const CellArt& art = ArtOf(file);
    // An icon that cannot be loaded leaves its cell empty; it keeps its place and number.
    if (!art.Loaded)
        return;
    const std::string& description = Icons.IconInfos[static_cast<std::size_t>(index)];
    const GridPoint origin = CellOrigin(index, ColumnCount);
    const Color frame = FrameColorOf(description);

    QPainter painter(&Image1->Picture);
    painter.fillRect(origin.X, origin.Y, CellSize - 1, CellSize - 1,
                     QColor(RedOf(frame), GreenOf(frame), BlueOf(frame)));
    painter.fillRect(origin.X + 1, origin.Y + 1, CellSize - 3, CellSize - 3, Qt::white);

    if (!art.Icon.isNull())
        painter.drawImage(origin.X + art.Place.X, origin.Y + art.Place.Y, art.Icon);

    const QFont font = CaptionFont();
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font);
    const QString text = QString::fromStdString(description);
    const GridRect t = TextRectInCell(metrics.horizontalAdvance(text), metrics.height());
    const QRect textRect(origin.X + t.Left, origin.Y + t.Top, t.Right - t.Left, t.Bottom - t.Top);
    const int textWidth = std::min(metrics.horizontalAdvance(text), CellSize - 2);
    painter.setClipRect(textRect);
    painter.drawText(textRect.left() + (textRect.width() - textWidth) / 2,
                     textRect.top() + metrics.ascent(), text);
}

void TListIcons::ShowSelectionFrame(const GridRect& rect) {
    const GridRect old = Image1->Frame;
    Image1->Frame = rect;
    auto area = [](const GridRect& r) {
        return QRect(QPoint(r.Left - 2, r.Top - 2), QPoint(r.Right + 2, r.Bottom + 2));
    };
    if (old.Valid())
        Image1->update(area(old));
    if (rect.Valid())
        Image1->update(area(rect));
}

// ---------------------------------------------------------------------------------------------
// Selection, keys, dragging

void TListIcons::Image1MouseDown(Qt::MouseButton button, int x, int y) {
    Q_UNUSED(button);
    const int n = static_cast<int>(Icons.Size());
    const int index = CellIndexAt(x, y, ColumnCount, n);
    if (index < 0) {
        SelectedIndex = n - 1;
    } else {
        SelectedIndex = index;
        Image1->setCursor(DragCursor);
    }
    if (SelectedIndex >= 0) {
        const auto s = static_cast<std::size_t>(SelectedIndex);
        StatusText->setText(
            QString::fromStdString(SelectionStatusText(SelectedIndex, n, Icons.IconInfos[s])));
        SelectionRect = SelectionRectOf(SelectedIndex, ColumnCount);
    } else {
        SelectionRect = GridRect{};
    }
    ShowSelectionFrame(SelectionRect);
    Edit1->setFocus(Qt::OtherFocusReason);
    ActionList1Update();
}

void TListIcons::Image1MouseUp(Qt::MouseButton button, int x, int y) {
    Q_UNUSED(button);
    if (Image1->cursor().shape() != DragCursor)
        return;
    Image1->setCursor(Qt::ArrowCursor);
    const int n = static_cast<int>(Icons.Size());
    int target = CellIndexAt(x, y, ColumnCount, n);
    if (target < 0)
        target = n - 1;
    if (SelectedIndex >= 0 && SelectedIndex < n && target != SelectedIndex) {
        Icons.Move(static_cast<std::size_t>(SelectedIndex), static_cast<std::size_t>(target));
        SelectedIndex = target;
        Refresh();
        Modified = true;
    }
}

void TListIcons::Image1DblClick() {
    if (SelectedIndex >= 0)
        done(ResultOk);
}

bool TListIcons::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        ShowSelectionFrame(Image1->Frame);  // in the colour that shows where the keys go
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        Edit1KeyDown(key->key());
        switch (key->key()) {
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_F5:
                return true;
            default:
                break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TListIcons::Edit1KeyDown(int key) {
    switch (key) {
        case Qt::Key_F5:
            BitBtn6Click();
            break;
        case Qt::Key_Down:
        case Qt::Key_Right:
        case Qt::Key_PageDown:
            ++SelectedIndex;
            break;
        case Qt::Key_Up:
        case Qt::Key_Left:
        case Qt::Key_PageUp:
            --SelectedIndex;
            break;
        default:
            break;
    }
    const int n = static_cast<int>(Icons.Size());
    SelectedIndex = n == 0 ? -1 : std::clamp(SelectedIndex, 0, n - 1);
    int column = 0;
    int row = 0;
    if (SelectedIndex >= 0) {
        column = SelectedIndex % ColumnCount;
        row = SelectedIndex / ColumnCount;
        Image1MouseDown(Qt::NoButton, column * CellSize, row * CellSize);
    } else {
        ActionList1Update();
    }
    ScrollBox1->verticalScrollBar()->setValue(row * CellSize);
    ScrollBox1->horizontalScrollBar()->setValue(column * CellSize);
    Image1->setCursor(Qt::ArrowCursor);
}

void TListIcons::Refresh() {
    Edit1KeyDown(Qt::Key_F5);
}

// ---------------------------------------------------------------------------------------------
// Actions

void TListIcons::ActionList1Update() {
    const int n = static_cast<int>(Icons.Size());
    const int s = SelectedIndex;
    MoveToFirst->setEnabled(n >= 2 && s >= 1);
    MoveToPrevious->setEnabled(n >= 2 && s >= 1);
    MoveToLast->setEnabled(n >= 2 && s < n - 1);
    MoveToNext->setEnabled(n >= 2 && s < n - 1);
}

void TListIcons::MoveSelectedTo(int position) {
    Icons.Move(static_cast<std::size_t>(SelectedIndex), static_cast<std::size_t>(position));
    SelectedIndex = position;
    Refresh();
    Modified = true;
}

void TListIcons::MoveToFirstExecute() {
    if (SelectedIndex <= 0 || SelectedIndex >= static_cast<int>(Icons.Size()))
        return;
    MoveSelectedTo(0);
}

void TListIcons::MoveToPreviousExecute() {
    if (SelectedIndex <= 0 || SelectedIndex >= static_cast<int>(Icons.Size()))
        return;
    MoveSelectedTo(SelectedIndex - 1);
}

void TListIcons::MoveToNextExecute() {
    const int n = static_cast<int>(Icons.Size());
    if (SelectedIndex < 0 || SelectedIndex >= n - 1)
        return;
    MoveSelectedTo(SelectedIndex + 1);
}

void TListIcons::MoveToLastExecute() {
    const int n = static_cast<int>(Icons.Size());
    if (SelectedIndex < 0 || SelectedIndex >= n - 1)
        return;
    MoveSelectedTo(n - 1);
}

void TListIcons::DeleteSelectedIconExecute() {
    const int s = SelectedIndex;
    if (s < 0 || s >= static_cast<int>(Icons.Size()))
        return;
    const fs::path file = Icons.IconFiles[static_cast<std::size_t>(s)];
    std::error_code ec;
    fs::remove(file, ec);
    ArtCache.erase(file);
    Icons.RemoveAt(static_cast<std::size_t>(s));
    const int remaining = static_cast<int>(Icons.Size());
    SelectedIndex = s < remaining - 1 ? s + 1 : remaining - 1;
    Refresh();
    Modified = true;
}

void TListIcons::AddIconExecute() {
    if (OpenDialog1.Tag != 1 && !OpenDialog1.Execute(this))
        return;
    IconSet added;
    const ExtractResult found =
        ExtractIconsToFiles(ToPath(OpenDialog1.FileName), added, WorkFolder);
    if (!found.Message.empty())
        ShowMessage(QString::fromStdString(found.Message), this);

    const std::size_t position = static_cast<std::size_t>(std::max(SelectedIndex, 0));
    if (!added.Empty()) {
        AddBatchCounter = (AddBatchCounter + 1) % 26;
        const std::string letter(1, static_cast<char>(64 + AddBatchCounter));
        for (std::size_t k = added.Size(); k-- > 0;)
            Icons.Insert(position, added.IconFiles[k], letter + added.IconInfos[k]);
        SelectedIndex += static_cast<int>(added.Size());
    }
    Refresh();
    Modified = true;
}

bool TListIcons::SaveAllExecute() {
    SaveDialog1.Title = QStringLiteral("Input file name");
    const bool preset = SaveDialog1.Tag == 1;
    if (!preset && !SaveDialog1.Execute(this))
        return false;
    const bool wasModified = Modified;
    Modified = false;
    const fs::path target = WithIcoExtension(SaveDialog1.FileName);
    const QString targetText = ToQString(target);
    // A preset name is the caller's decision to replace the file (inserting into it); a name
    // the user typed is checked first.
    if (!preset && Exists(target) &&
        AskYesNo(OverwriteQuestion(targetText), SaveFileCaption, this) != Answer::Yes) {
        return false;
    }
    const PackOutcome outcome = PackIconFiles(Icons.IconFiles, target, ReadOnlyTarget::Replace);
    if (outcome.Ok())
        return true;
    // Nothing was written: the set is still unsaved.
    Modified = wasModified;
    switch (outcome.Failure) {
        case PackFailure::SourceUnreadable:
            ShowMessage(CanNotOpen(ToQString(outcome.FailedSource), outcome.Cause), this);
            break;
        case PackFailure::TargetUnwritable:
            ShowMessage(CanNotOpen(targetText, outcome.Cause), this);
            break;
        default:
            ShowMessage(QString::fromStdString(outcome.Message), this);
            break;
    }
    return false;
}

void TListIcons::SaveIconsExecute() {
    SaveDialog1.Title = QStringLiteral("Input a basic name:");
    if (!SaveDialog1.Execute(this))
        return;
    Modified = false;
    const fs::path base = ToPath(SaveDialog1.FileName).replace_extension();
    const QString baseText = ToQString(base);
    int m = 0;
    for (const fs::path& file : Icons.IconFiles) {
        auto numbered = [&] {
            fs::path p = base;
            p += "_" + std::to_string(m) + ".ico";
            return p;
        };
        while (Exists(numbered()))
            ++m;
        QString failed;
        std::string reason;
        if (!CopyIconFile(file, numbered(), failed, reason)) {
            ShowMessage(CanNotOpen(failed, reason), this);
            return;
        }
    }
    if (Icons.Size() >= 2) {
        ShowMessage("Icon has been saved as:\n" + baseText + "_0.ico\n" + baseText +
                        "_1.ico\n...\n...\nand so on.",
                    this);
    }
}

void TListIcons::SaveSelectedIconExecute() {
    const int s = SelectedIndex;
    if (s < 0 || s >= static_cast<int>(Icons.Size()))
        return;
    SaveDialog1.Title = QStringLiteral("Save selected icon as:");
    if (!SaveDialog1.Execute(this))
        return;
    Modified = false;
    const fs::path target = WithIcoExtension(SaveDialog1.FileName);
    if (Exists(target) &&
        AskYesNo(OverwriteQuestion(ToQString(target)), SaveFileCaption, this) != Answer::Yes) {
        return;
    }
    QString failed;
    std::string reason;
    if (!CopyIconFile(Icons.IconFiles[static_cast<std::size_t>(s)], target, failed, reason))
        ShowMessage(CanNotOpen(failed, reason), this);
}

}  // namespace gf
