#include "gifpicker/gif_loader.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "platform/bmp_codec.h"
#include "platform/qt/popup_menu.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_path.h"

namespace gf {

TGifLoader* GifLoader = nullptr;

namespace {

// Layout of the window's client area.
constexpr int ClientWidth = 550;
constexpr int ClientHeight = 368;
constexpr int ScrollBoxTop = 40;
constexpr int ScrollBoxWidth = 550;
constexpr int ScrollBoxHeight = 220;
constexpr int ScrollBoxBorder = 2;  // the box's client area is 4 pixels smaller each way

}  // namespace

// FrameStrip

FrameStrip::FrameStrip(QWidget* parent) : PictureView(parent) {
    // Hovering over a frame tells its number, so moves count without a button held too.
    setMouseTracking(true);
}

void FrameStrip::SetAnimation(const GifFrames* animation) {
    Animation = animation;
    update();
}

void FrameStrip::PaintArea(QPainter& painter, const QRect& area) const {
    painter.fillRect(area, Qt::white);
    if (!Animation || Animation->Height() <= 0)
        return;
    const int h = Animation->Height();
    const int count = static_cast<int>(Animation->Count());
    int first = std::max(0, area.top() / h);
    int last = std::min(count - 1, area.bottom() / h);
    for (int i = first; i <= last; ++i) {
        // Transparent parts of a frame show the white beneath; a frame that cannot be
        // composed (the picker decoded every frame once, so only for want of memory) stays
        // white.
        auto frame = Animation->Frame(static_cast<std::size_t>(i));
        if (frame)
            painter.drawImage(0, i * h, ToQImage(*frame, AlphaUse::Keep));
    }
}

void FrameStrip::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    PaintArea(painter, event->rect());
}

QImage FrameStrip::Render(int y0, int y1) const {
    QImage image(width(), std::max(0, y1 - y0), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    QPainter painter(&image);
    painter.translate(0, -y0);
    PaintArea(painter, QRect(0, y0, width(), y1 - y0));
    return image;
}

// TGifLoader

TGifLoader::TGifLoader(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("GifLoader"));
    setWindowTitle(QStringLiteral("Select Gif Image"));
    // A fixed border and no border icons: "OK" is the way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(ClientWidth, ClientHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect free = screen->availableGeometry();
        move(free.left() + (free.width() - ClientWidth) / 2,
             free.top() + (free.height() - ClientHeight) / 2);
    }

    Label1 = new QLabel(QStringLiteral("Select one image"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(0, 0, ClientWidth, ScrollBoxTop);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setGeometry(0, ScrollBoxTop, ScrollBoxWidth, ScrollBoxHeight);
    ScrollBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    ScrollBox1->setLineWidth(ScrollBoxBorder);
    ScrollBox1->setWidgetResizable(false);
    ScrollContent = new QWidget;
    ScrollContent->setObjectName(QStringLiteral("ScrollContent"));
    Image1 = new FrameStrip(ScrollContent);
    Image1->setObjectName(QStringLiteral("Image1"));
    // At first a white picture the size of the box's client area.
    Image1->setGeometry(0, 0, ScrollBoxWidth - 2 * ScrollBoxBorder,
                        ScrollBoxHeight - 2 * ScrollBoxBorder);
    ScrollContent->resize(Image1->size());
    ScrollBox1->setWidget(ScrollContent);

    Label2 = new QLabel(QStringLiteral("Selected frame:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 272, 200, 18);

    Image2 = new PictureView(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(8, 293, 385, 68);
    Image2->setMouseTracking(true);
    QImage blank(385, 68, QImage::Format_RGB32);
    blank.fill(Qt::white);
    Image2->SetPicture(blank);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(432, 312, 96, 32);
    BitBtn1->setDefault(true);

    LoadGifImage = new QPushButton(QStringLiteral("LoadGif"), this);
    LoadGifImage->setObjectName(QStringLiteral("LoadGifImage"));
    LoadGifImage->setGeometry(432, 272, 96, 24);
    LoadGifImage->hide();

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Savecurrentframeasbitmapfile1 =
        PopupMenu2->addAction(QStringLiteral("Save current frame as  bitmap file."));
    Savecurrentframeasbitmapfile1->setObjectName(QStringLiteral("Savecurrentframeasbitmapfile1"));
    Saveallframesasbitmapfile1 =
        PopupMenu2->addAction(QStringLiteral("Save all frames as bitmap file."));
    Saveallframesasbitmapfile1->setObjectName(QStringLiteral("Saveallframesasbitmapfile1"));

    SaveDialog1.Mode = FileDialog::Kind::Save;
    SaveDialog1.Filter = QStringLiteral("BMP |*.bmp");

    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(1); });
    connect(LoadGifImage, &QPushButton::clicked, this, [this] { LoadGifImageClick(); });
    connect(Image1, &PictureView::MouseMove, this, &TGifLoader::Image1MouseMove);
    connect(Image1, &PictureView::MouseUp, this, &TGifLoader::Image1MouseUp);
    connect(Savecurrentframeasbitmapfile1, &QAction::triggered, this,
            &TGifLoader::Savecurrentframeasbitmapfile1Click);
    connect(Saveallframesasbitmapfile1, &QAction::triggered, this,
            &TGifLoader::Saveallframesasbitmapfile1Click);
}

TGifLoader::~TGifLoader() {
    if (GifLoader == this)
        GifLoader = nullptr;
}

Status TGifLoader::LoadGifImageClick() {
    // The pointer goes to the window's corner as it stands now, before it is shown.
    MovePointer(pos());

    Image1->SetAnimation(nullptr);
    GifPicture.reset();
    auto loaded = OpenGifFile(ToPath(GifPath));
    if (!loaded)
        return loaded.GetError();
    const auto frames = static_cast<std::int64_t>(loaded->Count());
    if (frames * loaded->Height() > MaxStripHeight)
        return Error{"The GIF animation has too many frames to show them one under another."};
    if (Status decoded = loaded->DecodeAll(); !decoded)
        return decoded;
    GifPicture = std::move(loaded).Value();

    const int w = GifPicture->Width();
    const int n = FrameCount();
    const int h = GifPicture->Height();
    Image1->resize(w, n * h);
    Image1->SetAnimation(&*GifPicture);
    PlaceStrip();

    // Selecting at (1, 1) picks frame 0 and draws its preview, without the menu.
    Image1MouseUp(Qt::LeftButton, 1, 1);
    Label1->setText(QStringLiteral("Select one frame from the following %1 frames").arg(n));
    return Status::Success();
}

void TGifLoader::PlaceStrip() {
    // Centred in the box when smaller than its client area, else at its start; the scroll
    // bars go back to the start.
    const int boxW = ScrollBox1->width();
    const int boxH = ScrollBox1->height();
    const int w = Image1->width();
    const int h = Image1->height();
    int left = w < boxW - 4 ? (boxW - w) / 2 : 0;
    int top = h < boxH - 4 ? (boxH - h) / 2 : 0;
    // What the box shows once the scroll bars the strip needs take their room: a bar only
    // where the strip does not fit, and what scrolls never wider or higher than that asks.
    const QSize client = ScrollBox1->maximumViewportSize();
    const int bar =
        ScrollBox1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ScrollBox1);
    bool vertical = h > client.height();
    const bool horizontal = w > client.width() - (vertical ? bar : 0);
    vertical = vertical || (horizontal && h > client.height() - bar);
    const QSize view(client.width() - (vertical ? bar : 0),
                     client.height() - (horizontal ? bar : 0));
    // A strip that fits is kept inside what is shown, so it never asks for a bar of its own.
    if (w <= view.width())
        left = std::min(left, view.width() - w);
    if (h <= view.height())
        top = std::min(top, view.height() - h);
    Image1->move(left, top);
    ScrollContent->resize(std::max(left + w, view.width()), std::max(top + h, view.height()));
    ScrollBox1->horizontalScrollBar()->setValue(0);
    ScrollBox1->verticalScrollBar()->setValue(0);
}

void TGifLoader::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The box sets its scroll ranges once it is laid out on the screen; the strip is shown
    // from its first frame whatever they were before.
    QTimer::singleShot(0, this, [this] {
        ScrollBox1->horizontalScrollBar()->setValue(0);
        ScrollBox1->verticalScrollBar()->setValue(0);
    });
}

int TGifLoader::FrameCount() const {
    return GifPicture ? static_cast<int>(GifPicture->Count()) : 0;
}

Result<Bitmap> TGifLoader::FramePicture(int index) const {
    if (!GifPicture || index < 0 || index >= FrameCount())
        return Error{"The GIF picture has no such frame."};
    return GifPicture->Frame(static_cast<std::size_t>(index));
}

void TGifLoader::Image1MouseMove(Qt::MouseButtons, int, int y) {
    const int h = GifPicture ? GifPicture->Height() : 0;
    if (h < 1)
        return;
    Label1->setText(QStringLiteral("NO. %1     Total frames: %2      Selected frame: %3")
                        .arg(y / h)
                        .arg(FrameCount())
                        .arg(SelectedFrame));
}

void TGifLoader::Image1MouseUp(Qt::MouseButton button, int x, int y) {
    const int h = GifPicture ? GifPicture->Height() : 0;
    const int n = FrameCount();
    if (h > 0 && n > 0) {
        QImage preview = Image2->Picture();
        QPainter painter(&preview);
        painter.fillRect(preview.rect(), Qt::white);
        // A release dragged above the strip or below its last frame keeps to the nearest one.
        SelectedFrame = std::clamp(y / h, 0, n - 1);
        const int w = GifPicture->Width();
        if (auto frame = FramePicture(SelectedFrame)) {
            painter.drawImage((preview.width() - w) / 2, (preview.height() - h) / 2,
                              ToQImage(*frame, AlphaUse::Keep));
        }
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, preview.width() - 1, preview.height() - 1);
        painter.end();
        Image2->SetPicture(preview);
    }
    if (button == Qt::RightButton)
        PopupMenu(*PopupMenu2, Image1->mapToGlobal(QPoint(x, y)));
}

void TGifLoader::Savecurrentframeasbitmapfile1Click() {
    SaveDialog1.Title = QStringLiteral("Input file name");
    if (!SaveDialog1.Execute(this))
        return;
    if (SelectedFrame < 0 || SelectedFrame >= FrameCount())
        return;
    auto frame = FramePicture(SelectedFrame);
    const Status saved =
        frame ? SaveBmpFile(*frame, ToPath(SaveDialog1.FileName)) : Status(frame.GetError());
    if (!saved)
        ShowMessage(QString::fromStdString(saved.ErrorMessage()), this);
}

void TGifLoader::Saveallframesasbitmapfile1Click() {
    SaveDialog1.Title = QStringLiteral("Input a basic name:");
    if (!SaveDialog1.Execute(this))
        return;
    std::filesystem::path chosen = ToPath(SaveDialog1.FileName);
    const QString base = ToQString(chosen.replace_extension());
    const int n = FrameCount();
    for (int i = 0; i < n; ++i) {
        auto frame = FramePicture(i);
        const Status saved =
            frame ? SaveBmpFile(*frame, ToPath(base + QString::number(i) + QStringLiteral(".bmp")))
                  : Status(frame.GetError());
        if (!saved) {
            // The frames written so far stay.
            ShowMessage(QString::fromStdString(saved.ErrorMessage()), this);
            return;
        }
    }
    if (n >= 2) {
        ShowMessage(QStringLiteral("Gif frames has been saved as:\n") + base +
                        QStringLiteral("0.bmp\n") + base +
                        QStringLiteral("1.bmp\n...\n...\nand so on."),
                    this);
    }
}

}  // namespace gf
