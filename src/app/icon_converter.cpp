#include "app/icon_converter.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>
#include <system_error>

#include "app/artwork.h"
#include "app/converter_widgets.h"
#include "platform/qt/popup_menu.h"
#include "platform/qt/qimage_bridge.h"
#include "platform/qt/qt_path.h"

namespace gf {

namespace fs = std::filesystem;

TIconConverter* IconConverter = nullptr;

QString ProductPage(const QString& from) {
    return QString::fromLatin1(ProductSite) + QStringLiteral("?from=") + from;
}

namespace {

QFrame* MakePanel(QWidget* parent, const char* name, const QRect& place) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setGeometry(place);
    return panel;
}

QLabel* MakeLabel(QLabel* label, const char* name, const QRect& place, Qt::Alignment align) {
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    label->setAlignment(align);
    return label;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
    return icon;
}

}  // namespace

TIconConverter::TIconConverter(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("IconConverter"));
    if (!IconConverter)
        IconConverter = this;

    ClaimWorkingFolder();
    // There is no working icon at start (in a folder that is ours to change).
    std::error_code ec;
    if (WorkFolderHold.Held())
        fs::remove(WorkFile("eitemp.ico"), ec);
    setAcceptDrops(true);
    WorkColor = Bitmap(0, 0, PixelFormat::Device);
    WorkMask = Bitmap(0, 0, PixelFormat::Bits8);
    WorkPixelFormat = CodeOf(WorkColor.Format());

    ProgramFolder = ToPath(QCoreApplication::applicationDirPath());
    Backdrop = MakeBackdrop();
    BuildControls();
}

TIconConverter::~TIconConverter() {
    if (IconConverter == this)
        IconConverter = nullptr;
}

void TIconConverter::ClaimWorkingFolder() {
    const fs::path temp = UserTempFolder();
    Result<WorkFolderClaim> claim = ClaimWorkFolder(temp, "ic_temp");
    if (!claim) {
        // Nowhere to keep working files: commands that need them fail quietly, and nothing
        // that might belong to somebody else is touched.
        WorkFolder = temp / "ic_temp" / "";
        return;
    }
    WorkFolderHold = std::move(*claim);
    WorkFolder = WorkFolderHold.Folder();
    // Leftovers of an earlier run that ended without closing.
    ClearWorkFolder(WorkFolder);
}

void TIconConverter::BuildControls() {
    setWindowTitle(QStringLiteral("Glyphforge"));
    setWindowIcon(ProgramIcon());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(521, 382);
    QFont face;
    face.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("DejaVu Sans")});
    face.setStyleHint(QFont::SansSerif);
    face.setPixelSize(13);
    setFont(face);

    auto button = [](const char* name, const QString& caption, Glyph glyph, QWidget* panel,
                     const QRect& place) {
        auto* b = new GlyphButton(caption, DrawGlyph(glyph), panel);
        b->setObjectName(QLatin1String(name));
        b->setGeometry(place);
        return b;
    };

    Panel3 = MakePanel(this, "Panel3", QRect(0, 0, 90, 369));
    suiButton1 = button("suiButton1", tr("Load Image"), Glyph::Load, Panel3, {0, 2, 90, 87});
    suiButton4 = button("suiButton4", tr("Capture Icon"), Glyph::Capture, Panel3, {0, 91, 90, 87});
    suiButton2 = button("suiButton2", tr("Modify Icon"), Glyph::Modify, Panel3, {0, 181, 90, 87});
    suiButton3 = button("suiButton3", tr("Save Icon"), Glyph::Save, Panel3, {0, 269, 90, 84});

    Panel4 = MakePanel(this, "Panel4", QRect(431, 0, 90, 369));
    suiButton5 = button("suiButton5", tr("Help"), Glyph::Help, Panel4, {1, 2, 90, 87});
    suiButton7 = button("suiButton7", tr("About"), Glyph::About, Panel4, {1, 91, 90, 87});
    BitBtn1 = button("BitBtn1", tr("Home Page"), Glyph::HomePage, Panel4, {1, 181, 90, 87});

    Panel2 = MakePanel(this, "Panel2", QRect(90, 0, 341, 369));
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel2->setLineWidth(1);
    Image1 = new PictureView(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(1, 1, 339, 351);
    Image1->SetPicture(ToQImage(Backdrop));
    Image2 = new PictureView(Panel2);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(1, 1, 339, 351);

    Panel1 = MakePanel(this, "Panel1", QRect(0, 369, 521, 13));
    Label2 = new ClickLabel(QString::fromLatin1(ProductSiteShort), Panel1);
    MakeLabel(Label2, "Label2", QRect(0, 0, 92, 13), Qt::AlignCenter);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setToolTip(QString::fromLatin1(ProductSite));
    ColourLinkLabel();
    Label1 = MakeLabel(new QLabel(tr("Icon Info"), Panel1), "Label1", QRect(92, 0, 339, 13),
                       Qt::AlignCenter);
    Label3 = MakeLabel(new QLabel(Panel1), "Label3", QRect(431, 0, 90, 13),
                       Qt::AlignRight | Qt::AlignVCenter);
    QFont small = font();
    small.setPixelSize(11);
    for (QLabel* label : {static_cast<QLabel*>(Label2), Label1, Label3})
        label->setFont(small);

    suiColorBox1 = new ColorBox(this);
    suiColorBox1->setObjectName(QStringLiteral("suiColorBox1"));
    suiColorBox1->setGeometry(89, 248, 145, 22);
    suiColorBox1->hide();

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto action = [this](const char* name, const QString& text) {
        QAction* a = PopupMenu1->addAction(text);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    SaveasICON1 = action("SaveasICON1", tr("Save as ICON"));
    SaveasPNG1 = action("SaveasPNG1", tr("Save as PNG"));
    SaveasBMP1 = action("SaveasBMP1", tr("Save as BMP"));
    PopupMenu1->addSeparator();
    SetBMPbackgroundcolor1 = action("SetBMPbackgroundcolor1", tr("Set BMP background color"));
    // The menu keeps the pointer while it is open; the button it came from looks again once it
    // has gone (the item chosen has run by then).
    connect(PopupMenu1, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, this, [this] { suiButton3->RecheckHover(); }); });

    OpenPictureDialog1.Mode = FileDialog::Kind::Open;
    OpenPictureDialog1.PicturePreview = true;
    OpenPictureDialog1.Filter = QStringLiteral(
        "All (*.jpg;*.jpeg;*.bmp;*.png;*.ico;*.exe;*.ocx;*.scr;*.dll;*.wmf;*.gif;*.cur)"
        "|*.png;*.jpg;*.jpeg;*.bmp;*.ico;*.wmf;*.exe;*.dll;*.ocx;*.scr;*.gif;*.cur"
        "|JPEG Image File (*.jpg)|*.jpg"
        "|JPEG Image File (*.jpeg)|*.jpeg"
        "|Bitmaps (*.bmp)|*.bmp"
        "|Icons (*.ico)|*.ico"
        "|Exe File (*.exe, *.dll, *.scr, *.ocx)|*.exe;*.dll;*.ocx;*.scr"
        "|PNG (*.png)|*.png"
        "|GIF (*.gif)|*.gif"
        "|Cursor (*.cur)|*.cur"
        "|WMF (*.wmf)|*.wmf"
        "|*.*|*.*");
    SaveDialog1.Mode = FileDialog::Kind::Save;
    SaveDialog1.DefaultExt = QStringLiteral(".ico");
    SaveDialog1.Filter = QStringLiteral("ICON|*.ico|BMP|*.bmp|PNG|*.png");
    SaveDialog1.FilterIndex = 1;

    connect(suiButton1, &QAbstractButton::clicked, this, &TIconConverter::suiButton1Click);
    connect(suiButton4, &QAbstractButton::clicked, this, &TIconConverter::suiButton4Click);
    connect(suiButton2, &QAbstractButton::clicked, this, &TIconConverter::suiButton2Click);
    connect(suiButton3, &QAbstractButton::clicked, this, &TIconConverter::suiButton3Click);
    connect(suiButton5, &QAbstractButton::clicked, this, &TIconConverter::suiButton5Click);
    connect(suiButton7, &QAbstractButton::clicked, this, &TIconConverter::suiButton7Click);
    connect(BitBtn1, &QAbstractButton::clicked, this, &TIconConverter::BitBtn1Click);
    connect(Label2, &ClickLabel::Clicked, this, &TIconConverter::Label2Click);
    connect(SaveasICON1, &QAction::triggered, this, &TIconConverter::SaveasICON1Click);
    connect(SaveasPNG1, &QAction::triggered, this, &TIconConverter::SaveasPNG1Click);
    connect(SaveasBMP1, &QAction::triggered, this, &TIconConverter::SaveasBMP1Click);
    connect(SetBMPbackgroundcolor1, &QAction::triggered, this,
            &TIconConverter::SetBMPbackgroundcolor1Click);
    connect(suiColorBox1, &ColorBox::Change, this, &TIconConverter::suiColorBox1Change);
    connect(Image2, &PictureView::MouseDown, this, &TIconConverter::Image2MouseDown);
    connect(Image2, &PictureView::MouseUp, this, &TIconConverter::Image2MouseUp);

    for (QWidget* w : {static_cast<QWidget*>(suiButton3), static_cast<QWidget*>(Image2)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& pos) { ShowPopupMenu(w, pos); });
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TIconConverter::ColourLinkLabel() {
    // The desktop's link colour; a palette that keeps the light theme's dark blue on a dark
    // window gets it lightened, so the address can be read.
    const QPalette own = palette();
    QColor link = own.color(QPalette::Link);
    const QColor window = own.color(QPalette::Window);
    if (window.lightness() < 128 && link.lightness() < window.lightness() + 80)
        link = link.lighter(170);
    QPalette shown = Label2->palette();
    shown.setColor(QPalette::WindowText, link);
    Label2->setPalette(shown);
}

void TIconConverter::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && Label2)
        ColourLinkLabel();
}

void TIconConverter::ShowPopupMenu(QWidget* from, const QPoint& pos) {
    PopupMenu(*PopupMenu1, from->mapToGlobal(pos));
}

void TIconConverter::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FirstShowDone || event->spontaneous())
        return;
    FirstShowDone = true;
    FormShow();
}

void TIconConverter::FormShow() {
    // Only the first argument counts.
    if (Arguments.isEmpty() || Arguments.first().isEmpty())
        return;
    LoadPath = ToPath(Arguments.first());
    suiButton1->Tag = 1;
    suiButton1Click();
}

void TIconConverter::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}

void TIconConverter::FormClose() {
    // Only a folder this window holds is emptied; the folder itself stays.
    if (!WorkFolderHold.Held())
        return;
    std::error_code ec;
    fs::remove(WorkFile("eitemp.ico"), ec);
    ClearWorkFolder(WorkFolder);
}

void TIconConverter::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!data || !data->hasUrls())
        return;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
}

void TIconConverter::dropEvent(QDropEvent* event) {
    QStringList files;
    if (const QMimeData* data = event->mimeData())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
    if (files.isEmpty())
        return;
    event->acceptProposedAction();
    // Loaded once the drop is over, so the program the files came from is not kept waiting
    // while the Load command shows its windows.
    QMetaObject::invokeMethod(
        this, [this, files] { FilesDropped(files); }, Qt::QueuedConnection);
}

void TIconConverter::FilesDropped(const QStringList& files) {
    if (files.isEmpty())
        return;
    raise();
    activateWindow();
    // Files after the first are ignored.
    LoadPath = ToPath(files.first());
    suiButton1->Tag = 1;
    suiButton1Click();
}

void TIconConverter::suiButton5Click() {
    for (const char* name : HelpFileNames) {
        const fs::path candidate = ProgramFolder / name;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) {
            OpenWithShell(ToQString(candidate), this);
            return;
        }
    }
    OpenWithShell(ProductPage(QStringLiteral("help")), this);
}

void TIconConverter::suiButton7Click() {
    const QString text = QStringLiteral(
                             "Glyphforge  version 3.x\n\nConvert images into icons.\nExtract "
                             "icons from libraries.\nCapture icon from screen.\nResize "
                             "Icons.\n\n") +
                         QString::fromLatin1(ProductSite);
    if (AskYesNo(text, QStringLiteral("About"), this) == Answer::Yes)
        OpenWithShell(ProductPage(QStringLiteral("about")), this);
}

void TIconConverter::BitBtn1Click() {
    OpenWithShell(ProductPage(QStringLiteral("homepage")), this);
}

void TIconConverter::Label2Click() {
    OpenWithShell(QString::fromLatin1(ProductSite), this);
}

void TIconConverter::SetBMPbackgroundcolor1Click() {
    suiColorBox1->show();
    suiColorBox1->raise();
    suiColorBox1->setFocus();
}

void TIconConverter::suiColorBox1Change() {
    suiColorBox1->hide();
}

}  // namespace gf
