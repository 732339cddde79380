#include "capture/select_area.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <array>
#include <exception>
#include <initializer_list>

#include "platform/bmp_codec.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_path.h"

namespace gf {

TForm2* Form2 = nullptr;

namespace {

constexpr Color Red = Rgb(255, 0, 0);
constexpr QPoint PreviewAt(32, 32);
constexpr std::array<int, 6> PresetSides = {16, 32, 48, 64, 128, 256};
constexpr int TickMs = 100;

const char* const NoClipboardPicture = "There is no bitmap image in clipboard.";

// The cross on the button: a thin cross with a ring at its centre, 32 x 31, black on
// transparent.
QPixmap CrossPicture() {
    QImage picture(32, 31, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(15, 1, 15, 11);
    p.drawLine(15, 19, 15, 29);
    p.drawLine(2, 15, 12, 15);
    p.drawLine(18, 15, 28, 15);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawEllipse(QPointF(15.5, 15.5), 6, 6);
    p.end();
    return QPixmap::fromImage(picture);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry, QStyle::StandardPixmap icon) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(geometry);
    b->setAutoDefault(false);
    if (icon != QStyle::SP_CustomBase)
        b->setIcon(parent->style()->standardIcon(icon));
    return b;
}

}  // namespace

void CrossButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    emit MouseDown(event->button());
}

void CrossButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
}

void CrossButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    emit MouseUp(event->button(), event->globalPosition().toPoint());
}

void CrossButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a quick double click starts a drag as the first one did.
    mousePressEvent(event);
}

void CrossButton::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool reported =
        key == Qt::Key_Space ||
        (Picking && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape));
    if (!reported) {
        QToolButton::keyPressEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat())
        emit KeyDown(key);
}

void CrossButton::keyReleaseEvent(QKeyEvent* event) {
    // Space would click the button and let it spring up.
    if (event->key() == Qt::Key_Space) {
        event->accept();
        return;
    }
    QToolButton::keyReleaseEvent(event);
}

TForm2::TForm2(QWidget* owner) : QDialog(owner) {
    Form2 = this;
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Capture picture from screen"));
    setFixedSize(492, 346);
    BuildControls();
    if (QScreen* s = screen()) {
        const QRect area = s->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    SpeedButton1Click();
}

TForm2::~TForm2() {
    if (CrossDragging) {
        ReleasePointer();
        HideScreenFrame();
    }
    if (Form2 == this)
        Form2 = nullptr;
}

void TForm2::BuildControls() {
    auto label = [this](QLabel*& l, const char* name, const QString& text, const QRect& at) {
        l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(at);
    };

    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(28, 4, 264, 24);
    TrackBar2 = new QSlider(Qt::Vertical, this);
    TrackBar2->setObjectName(QStringLiteral("TrackBar2"));
    TrackBar2->setGeometry(4, 28, 24, 264);
    // The height grows downwards, as the picture does.
    TrackBar2->setInvertedAppearance(true);
    TrackBar2->setInvertedControls(true);
    for (QSlider* s : {TrackBar1, TrackBar2}) {
        s->setRange(0, MaxCaptureSize);
        s->setPageStep(16);
        s->setValue(CaptureWidth);
    }
    label(Label3, "Label3", QStringLiteral("Width"), QRect(299, 8, 60, 16));
    label(Label4, "Label4", QStringLiteral("Height"), QRect(3, 290, 60, 16));

    Image1 = new PictureView(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(QRect(PreviewAt, QSize(CaptureWidth, CaptureHeight)));
    Image1->setCursor(Qt::DragMoveCursor);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    for (int side : PresetSides)
        ComboBox1->addItem(QStringLiteral("%1 x %1").arg(side));
    ComboBox1->setGeometry(300, 34, 120, 24);

    CheckBox2 = new QCheckBox(QStringLiteral("Width=Height"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->setChecked(true);
    CheckBox2->setGeometry(300, 64, 150, 20);

    label(Label1, "Label1", QStringLiteral("Drag the following cross  to  capture screen area"),
          QRect(300, 96, 184, 34));
    Label1->setWordWrap(true);

    const QPixmap cross = CrossPicture();
    SpeedButton4 = new CrossButton(this);
    SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    for (QToolButton* b : {static_cast<QToolButton*>(SpeedButton4), SpeedButton1}) {
        b->setIcon(QIcon(cross));
        b->setIconSize(cross.size());
        b->setAutoRaise(true);
        b->setCheckable(true);
        b->setChecked(true);
        b->setGeometry(300, 134, 42, 41);
    }
    SpeedButton4->setToolTip(
        QStringLiteral("Drag onto the screen and let go over the area (Escape gives up)"));
    SpeedButton1->hide();

    suiButton5 = MakeButton(this, "suiButton5", QStringLiteral("Load from clipboard"),
                            QRect(300, 188, 184, 28), QStyle::SP_CustomBase);
    BitBtn2 = MakeButton(this, "BitBtn2", QStringLiteral("Copy to clipboard"),
                         QRect(300, 220, 184, 28), QStyle::SP_CustomBase);
    BitBtn3 = MakeButton(this, "BitBtn3", QStringLiteral("Save as bitmap file"),
                         QRect(300, 252, 184, 28), QStyle::SP_DialogSaveButton);
    BitBtn4 = MakeButton(this, "BitBtn4", QStringLiteral("Ok"), QRect(300, 306, 88, 30),
                         QStyle::SP_DialogOkButton);
    BitBtn4->setDefault(true);
    BitBtn5 = MakeButton(this, "BitBtn5", QStringLiteral("Cancel"), QRect(396, 306, 88, 30),
                         QStyle::SP_DialogCancelButton);

    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(TickMs);

    SaveDialog1.Mode = FileDialog::Kind::Save;
    SaveDialog1.Filter = QStringLiteral("Bitmap|*.bmp");
    // The file written ends in ".bmp" whatever was typed; the question is asked about that name.
    SaveDialog1.OverwritePrompt = false;

    connect(TrackBar1, &QSlider::valueChanged, this, &TForm2::sTrackBar1Change);
    connect(TrackBar2, &QSlider::valueChanged, this, &TForm2::TrackBar2Change);
    // A preset counts when it is picked, or typed (the box completes it) and confirmed; not
    // while it is typed, where the completion would change the size at the first digit.
    connect(ComboBox1, &QComboBox::activated, this, &TForm2::ComboBox1Change);
    ComboBox1->lineEdit()->installEventFilter(this);
    connect(ComboBox1->lineEdit(), &QLineEdit::editingFinished, this, &TForm2::ConfirmSizeBox);
    connect(SpeedButton4, &CrossButton::MouseDown, this, &TForm2::SpeedButton4MouseDown);
    connect(SpeedButton4, &CrossButton::MouseUp, this, &TForm2::SpeedButton4MouseUp);
    connect(SpeedButton4, &CrossButton::KeyDown, this, &TForm2::SpeedButton4KeyDown);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm2::SpeedButton1Click);
    connect(Timer2, &QTimer::timeout, this, &TForm2::Timer2Timer);
    connect(Image1, &PictureView::MouseDown, this, &TForm2::Image1MouseDown);
    connect(Image1, &PictureView::MouseUp, this, &TForm2::Image1MouseUp);
    connect(Image1, &PictureView::DoubleClicked, this, &TForm2::Image1DblClick);
    connect(suiButton5, &QPushButton::clicked, this, &TForm2::suiButton5Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm2::BitBtn2Click);
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
    connect(BitBtn4, &QPushButton::clicked, this, &TForm2::BitBtn4Click);
    connect(BitBtn5, &QPushButton::clicked, this, &TForm2::BitBtn5Click);
}

void TForm2::FillPicture(Color background) {
    PictureBackground = background;
    Picture.Fill(background);
    ShowPicture();
}

QRect TForm2::CaptureArea(const QPoint& point) const {
    return QRect(point.x() - CaptureWidth / 2, point.y() - CaptureHeight / 2, CaptureWidth,
                 CaptureHeight);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ComboBox1->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter confirms the box and does not also close the window.
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ConfirmSizeBox();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString TForm2::SizeText() const {
    return QStringLiteral("%1x%2").arg(CaptureWidth).arg(CaptureHeight);
}

void TForm2::ShowPicture() {
    Image1->setGeometry(QRect(PreviewAt, QSize(Picture.Width(), Picture.Height())));
    Image1->SetPicture(Picture.Empty() ? QImage() : ToQImage(Picture));
}

void TForm2::SpeedButton1Click() {
    CaptureWidth = TrackBar1->value();
    CaptureHeight = TrackBar2->value();
    Picture = Bitmap(CaptureWidth, CaptureHeight, PixelFormat::Bits24);
    Picture.Fill(PictureBackground);
    Picture.CopyRect(CapturedBitmap, 0, 0, CapturedBitmap.Width(), CapturedBitmap.Height(),
                     PictureOffset.x(), PictureOffset.y());
    ShowPicture();
    Label3->setText(QString::number(CaptureWidth));
    Label4->setText(QString::number(CaptureHeight));
    ComboBox1->setEditText(SizeText());
    // A side of 0 leaves nothing to take, copy, save or hand back.
    const bool sized = CaptureWidth > 0 && CaptureHeight > 0;
    for (QWidget* needsPicture :
         std::initializer_list<QWidget*>{SpeedButton4, BitBtn2, BitBtn3, BitBtn4})
        needsPicture->setEnabled(sized);
}

void TForm2::sTrackBar1Change() {
    if (CheckBox2->isChecked())
        TrackBar2->setValue(TrackBar1->value());
    SpeedButton1Click();
}

void TForm2::TrackBar2Change() {
    if (CheckBox2->isChecked())
        TrackBar1->setValue(TrackBar2->value());
    SpeedButton1Click();
}

void TForm2::ConfirmSizeBox() {
    const int index = ComboBox1->findText(ComboBox1->currentText(), Qt::MatchExactly);
    if (index >= 0)
        ComboBox1Change(index);
    else
        ComboBox1->setEditText(SizeText());
}

void TForm2::ComboBox1Change(int index) {
    // Only the presets count.
    if (index < 0 || index >= static_cast<int>(PresetSides.size()))
        return;
    const int side = PresetSides[static_cast<std::size_t>(index)];
    TrackBar2->setValue(side);
    TrackBar1->setValue(side);
    SpeedButton1Click();
}

void TForm2::SpeedButton4MouseDown(Qt::MouseButton) {
    if (CrossDragging)
        return;
    // Without a readable screen a drag would only bring back a red square.
    if (!CanReadScreen()) {
        ShowMessage(QStringLiteral("This display does not let programs read the screen: use "
                                   "\"Load from clipboard\" instead."),
                    this);
        return;
    }
    CrossDragging = true;
    SpeedButton4->Picking = true;
    CrossPoint.reset();
    HoldPointer(SpeedButton4, Qt::CrossCursor);
    SpeedButton4->setIcon(QIcon());
    // The window steps aside for the drag. QDialog's own hide would end the modal run, so the
    // window is hidden as a plain widget and keeps its place in the modal loop.
    QWidget::setVisible(false);
    Timer2->start();
}

void TForm2::Timer2Timer() {
    if (!CrossDragging)
        return;
    const QPoint pointer = PointerPos();
    ShowScreenFrame(CaptureArea(pointer));
    CrossPoint = pointer;
}

void TForm2::SpeedButton4MouseUp(Qt::MouseButton, const QPoint& globalPos) {
    if (CrossDragging)
        EndCrossDrag(globalPos);
}

void TForm2::SpeedButton4KeyDown(int key) {
    if (!CrossDragging) {
        if (key == Qt::Key_Space)
            SpeedButton4MouseDown(Qt::NoButton);
        return;
    }
    if (key == Qt::Key_Escape)
        EndCrossDrag(std::nullopt);
    else
        EndCrossDrag(PointerPos());
}

void TForm2::EndCrossDrag(std::optional<QPoint> takeAt) {
    CrossDragging = false;
    SpeedButton4->Picking = false;
    ReleasePointer();
    SpeedButton4->setIcon(SpeedButton1->icon());
    Timer2->stop();
    HideScreenFrame();
    if (takeAt) {
        PictureOffset = QPoint(0, 0);
        // The area is centred where the pointer was at the last tick; a release before the
        // first tick takes the area around the release point.
        const QPoint centre = CrossPoint.value_or(*takeAt);
        // What lies on no screen stays red.
        CapturedBitmap = GrabScreenRect(CaptureArea(centre), Red);
        SpeedButton1Click();
    }
    show();
    activateWindow();
}

void TForm2::Image1MouseDown(Qt::MouseButton, int x, int y) {
    PictureDragging = true;
    DragStart = QPoint(x, y);
}

void TForm2::Image1MouseUp(Qt::MouseButton, int x, int y) {
    if (PictureDragging) {
        // The picture may leave the preview entirely, but no further.
        PictureOffset.setX(std::clamp(PictureOffset.x() + x - DragStart.x(),
                                      -CapturedBitmap.Width(), Image1->width()));
        PictureOffset.setY(std::clamp(PictureOffset.y() + y - DragStart.y(),
                                      -CapturedBitmap.Height(), Image1->height()));
    }
    PictureDragging = false;
    SpeedButton1Click();
}

void TForm2::Image1DblClick() {
    // The release that ends the double click redraws.
    PictureOffset = QPoint(0, 0);
}

void TForm2::suiButton5Click() {
    std::optional<Bitmap> clipped;
    try {
        clipped = ClipboardImage();
    } catch (const std::exception&) {
        clipped.reset();
    }
    if (!clipped || clipped->Empty()) {
        ShowMessage(QString::fromLatin1(NoClipboardPicture), this);
        return;
    }
    Bitmap captured;
    try {
        captured = Bitmap(clipped->Width(), clipped->Height(), PixelFormat::Bits24);
    } catch (const std::exception&) {
        ShowMessage(QString::fromLatin1(NoClipboardPicture), this);
        return;
    }
    PictureOffset = QPoint(0, 0);
    const int w = clipped->Width(), h = clipped->Height();
    if (w <= MaxCaptureSize && h <= MaxCaptureSize) {
        if (w != h)
            CheckBox2->setChecked(false);
        TrackBar1->setValue(w);
        TrackBar2->setValue(h);
    } else {
        TrackBar1->setValue(128);
        TrackBar2->setValue(128);
    }
    captured.Fill(Red);
    captured.CopyRect(*clipped, 0, 0, w, h, 0, 0);
    CapturedBitmap = std::move(captured);
    SpeedButton1Click();
}

void TForm2::BitBtn2Click() {
    SetClipboardImage(Picture);
    ShowMessage(QStringLiteral("Image have copied to clipboard!"), this);
}

void TForm2::BitBtn3Click() {
    if (!SaveDialog1.Execute(this))
        return;
    const std::filesystem::path target = ToPath(SaveDialog1.FileName).replace_extension(".bmp");
    if (!MayOverwrite(target, this))
        return;
    const Status saved =
        SaveBmpFile(Picture.ConvertedTo(PixelFormat::Bits32), target, ReadOnlyTarget::Replace);
    if (!saved) {
        ShowMessage(QStringLiteral("Can not write file ") + ToQString(target) +
                        QStringLiteral("\n\n") + QString::fromStdString(saved.ErrorMessage()),
                    this);
    }
}

void TForm2::BitBtn4Click() {
    done(ResultOk);
}

void TForm2::BitBtn5Click() {
    done(ResultCancel);
}

}  // namespace gf
