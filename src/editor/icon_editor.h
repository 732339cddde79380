#pragma once
// TIconEditor: the modal wizard in which a picture becomes an icon or an icon is changed. Pages
// in order: size (TabSheet1), transparency (TabSheet2, only when an icon is made from a
// picture), pixel editing (TabSheet4) and colour bits (TabSheet3), whose "Finish" converts the
// working pair to the chosen depth and closes the window with result 1.
//
// The caller creates the window, sets SourcePath (and, to edit an existing icon, fills
// IconColor, IconMask, SrcColor and SrcMask and sets EditExisting to 1), makes TabSheet1 the
// active page, calls InitImagesClick and runs the window modally. After result 1 it takes
// IconColor (at the chosen depth) and IconMask (8-bit, 255 transparent).

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <filesystem>

#include "editor/image_view.h"
#include "editor/pixels/flood_fill.h"
#include "editor/pixels/pen.h"
#include "editor/pixels/resample.h"
#include "editor/pixels/snapshots.h"
#include "editor/work_pixel_format.h"
#include "platform/bitmap.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QStackedWidget;
class QTimer;
class QToolButton;

namespace gf {

class TIconEditor : public QDialog {
    Q_OBJECT
  public:
    // `converter` answers the working icon's pixel format (may be null: 32 bits is preselected).
    explicit TIconEditor(QWidget* owner = nullptr,
                         const WorkPixelFormatSource* converter = nullptr);
    ~TIconEditor() override;

    // Working bitmaps.
    Bitmap SrcColor;     // the source picture (24- or 32-bit)
    Bitmap SrcMask;      // its 8-bit mask
    Bitmap SrcPreview;   // the source drawn over the canvas background colour
    Bitmap IconColor;    // the working icon's colour image; transparent pixels black
    Bitmap IconMask;     // its 8-bit mask, 255 transparent
    Bitmap BackupColor;  // copies taken by the alpha adjustment
    Bitmap BackupMask;
    Bitmap EditRegion;   // region of the edit page's alpha tools
    Bitmap TransRegion;  // transparency page: 0 = colour test applies, else kept opaque
    // The mask the size page made with the transparency page's reference picture: canvas the
    // picture does not cover stays transparent there.
    Bitmap TransReferenceMask;

    std::filesystem::path SourcePath;
    int EditExisting = 0;
    // Undo snapshots, named after SourcePath (its SnapshotIndex and SnapshotTop).
    SnapshotHistory History;
    float ZoomFactor = 4.0f;
    // The flood fill's stack and guard, allocated once for the editor's life.
    FillState Fill;

    // Where the unscaled picture's top-left corner lies on the canvas.
    QPoint SourceOffset;
    // Outline last drawn on the transparency preview; (-10, -10, -10, -10) when none.
    QRect TransBlock{QPoint(-10, -10), QPoint(-10, -10)};

    // The start step (the hidden "Begin" button). Throws std::runtime_error when SourcePath
    // cannot be read as a bitmap.
    void InitImagesClick();

    // The canvas background colour of the size page.
    Color CanvasBackground() const;

    void ComposeSourcePreview(Color background);
    void UpdateSizePreview();
    void ApplyTransparency();
    void RedrawZoomView(double zoom);

    // Handlers.
    void FormResize();
    void ResizeTimerTimer();
    void PageControl1Change();
    void TabSheet1Show();
    void TabSheet2Show();
    void TabSheet3Show();
    void TabSheet4Show();
    void ImageTrans1Click(ImageView* swatch);

    // Size page.
    void TrackBar1Change();
    void TrackBar2Change();
    void cbWeqHClick();
    void ComboBox1Change(int index);
    void cbStretchClick();
    void cbSmoothClick();
    void cbRemoveTransClick();
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1DblClick();
    void Label2MouseUp();
    void BitBtn1Click();

    // Transparency page.
    void CheckBox1Click();
    void Label9Click();
    void Image2MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image2MouseUp(Qt::MouseButton button, int x, int y);
    void TrackBar5Change();
    void SBTransAddClick();
    void SBTransRemoveClick();
    void Image3MouseDown(Qt::MouseButton button, int x, int y);
    void Image3MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image3MouseUp(Qt::MouseButton button, int x, int y);
    void TBPenSizeChange();
    void BitBtn4Click();
    void BitBtn2Click();

    // Edit page.
    void ComboBox3Change();
    // The icon pixel under canvas position (X, Y): truncated X / ZoomFactor and Y / ZoomFactor.
    // Outside the canvas (a held button keeps reporting moves) it may lie outside the icon.
    QPoint CanvasToIconPixel(int x, int y) const;
    void Image7MouseDown(Qt::MouseButton button, int x, int y);
    void Image7MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image7MouseUp(Qt::MouseButton button, int x, int y);
    void SBFill1Click();
    void SBPenClick();
    void SBFill2Click();
    void Image8MouseDown(Qt::MouseButton button, int x, int y);
    void Image8MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image8MouseUp(Qt::MouseButton button, int x, int y);
    void Shape44MouseUp();
    void TransImageClick();
    void tbColorAlphaChange();
    void cbOpacityClick();
    void TBAllowanceChange();
    // The keyboard of the pages' cursor control: the arrow keys move the pointer by one screen
    // pixel, Space and Enter click the left button where it is. Where the pointer cannot be
    // moved, the editor draws a cursor of its own and the keys act under it. True when the key
    // was one of these.
    bool IVfocusKeyDown(int key);
    // Where the keyboard acts, in screen coordinates.
    QPoint KeyPointerPos() const;
    void MoveKeyPointer(const QPoint& global);
    void MyUndoExecute();
    void MyRedoExecute();
    // Records the icon before an edit; false (after telling the user) when it cannot, and then
    // the edit must not be made.
    bool TakeSnapshot();
    void UndoSnapshot();
    void RedoSnapshot();
    void BitBtn7Click();
    void BitBtn6Click();
    // The brush colour as the tools take it: Shape44's tag (KeepColour with "Only change
    // opacity").
    BrushColour BrushTag() const { return Shape44->Tag; }

    // Alpha adjustment (the panel gbAlpha over the brush and tool groups).
    void BitBtn8Click();
    void CBColorChange();
    // Shared by the two pipettes; `picker` (Image13 or Image14) selects the swatch.
    void Image13MouseDown(ImageView* picker, Qt::MouseButton button, int x, int y);
    void Image13MouseMove(ImageView* picker, Qt::MouseButtons buttons, int x, int y);
    void Image13MouseUp(ImageView* picker, Qt::MouseButton button, int x, int y);
    // A swatch clicked (or Space on it): the colour dialog, then as a pipette's release.
    void Shape5MouseUp(ShapeView* swatch);
    void TrackBar4Change();
    void SBAlphaSetClick();
    void SBAlphaClearClick();
    void BitBtn9Click();
    void BitBtn10Click();
    bool AlphaPanelOpen() const;

    // Colour bits page.
    void ComboBox2Change();
    void cbRemovealphaClick();
    void TBAlphaChange();
    void cbPaletteClick();
    void palSelectChange();
    void imPMouseUp(Qt::MouseButton button, int x, int y);
    void BitBtn5Click();
    void BitBtn3Click();

    // Controls, named as the form names them (each carries the same objectName).
    QStackedWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QWidget* TabSheet4 = nullptr;
    QWidget* Panel9 = nullptr;
    QLabel* StatusBar1 = nullptr;
    QWidget* Panel10 = nullptr;
    QLabel* Label16 = nullptr;  // "Background", before the swatches
    ImageView* Image5 = nullptr;
    ImageView* Image9 = nullptr;
    ImageView* ImageTrans1 = nullptr;
    ImageView* Image10 = nullptr;
    ImageView* Image12 = nullptr;
    ImageView* Image11 = nullptr;
    QLineEdit* IVfocus = nullptr;
    QTimer* ResizeTimer = nullptr;
    QPushButton* InitImages = nullptr;

    // Size page.
    QWidget* Panel6 = nullptr;
    QWidget* Panel1 = nullptr;  // bottom panel
    ImageView* Image1 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QSlider* TrackBar2 = nullptr;
    QLabel* Lim1width = nullptr;
    QLabel* Lim1height = nullptr;
    QLabel* Label7 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* cbWeqH = nullptr;
    QCheckBox* cbStretch = nullptr;
    QCheckBox* cbSmooth = nullptr;
    ShapeView* Shape2 = nullptr;
    QLabel* Label2 = nullptr;
    QCheckBox* cbRemoveTrans = nullptr;
    QPushButton* BitBtn1 = nullptr;

    // Transparency page.
    QWidget* Panel7 = nullptr;
    QWidget* Panel2 = nullptr;  // bottom panel
    ShapeView* Shape3 = nullptr;
    ImageView* Image2 = nullptr;
    ImageView* Image3 = nullptr;
    ImageView* Image4 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    ShapeView* Shape1 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label3 = nullptr;
    QSlider* TrackBar5 = nullptr;
    QGroupBox* GroupBox6 = nullptr;
    QToolButton* SBTransRemove = nullptr;
    QToolButton* SBTransAdd = nullptr;
    QLabel* Label11 = nullptr;
    QSlider* TBTransSize = nullptr;
    QComboBox* CBTransShape = nullptr;
    QPushButton* BitBtn4 = nullptr;
    QPushButton* BitBtn2 = nullptr;

    // Edit page.
    QScrollArea* ScrollBox1 = nullptr;
    QWidget* ScrollContent = nullptr;
    ZoomView* Image7 = nullptr;
    QWidget* Panel4 = nullptr;
    QGroupBox* GroupBox2 = nullptr;  // "Brush color"
    ShapeView* Shape4 = nullptr;
    ImageView* Shape44 = nullptr;  // its Tag is the brush colour
    ImageView* Image8 = nullptr;   // eyedropper; Tag 1 while picking
    QLabel* Label8 = nullptr;
    QSlider* tbColorAlpha = nullptr;
    QCheckBox* cbOpacity = nullptr;
    QRadioButton* CBSolidC = nullptr;
    QRadioButton* CBTransC = nullptr;
    ImageView* TransImage = nullptr;
    QGroupBox* GroupBox3 = nullptr;  // "Tools"
    QToolButton* SBFill1 = nullptr;
    QToolButton* SBPen = nullptr;
    QToolButton* SBFill2 = nullptr;  // hidden: down when no tool is selected
    QLabel* Label4 = nullptr;
    QSlider* TBAllowance = nullptr;
    QLabel* Label6 = nullptr;
    QSlider* TBPenSize = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QLabel* Label5 = nullptr;
    QComboBox* ComboBox3 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QAction* MyUndo = nullptr;
    QAction* MyRedo = nullptr;
    QPushButton* BitBtn8 = nullptr;  // "Alpha adjustment"
    QPushButton* BitBtn7 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    int BitBtn7Tag = 0;

    // Alpha adjustment panel.
    QGroupBox* gbAlpha = nullptr;
    QLabel* Label10 = nullptr;  // "Background"
    ShapeView* Shape5 = nullptr;
    ImageView* Image13 = nullptr;
    QLabel* Label12 = nullptr;  // "Shadow"
    ShapeView* Shape6 = nullptr;
    ImageView* Image14 = nullptr;
    QComboBox* CBColor = nullptr;  // items: decimal colour values 0x00BBGGRR
    QLabel* Label14 = nullptr;
    QSlider* TrackBar4 = nullptr;
    QGroupBox* GroupBox5 = nullptr;
    QToolButton* SBAlphaSet = nullptr;    // "Erase"
    QToolButton* SBAlphaClear = nullptr;  // "Blend"
    QToolButton* SBAlpha = nullptr;       // hidden: down when no region tool is selected
    QLabel* Label13 = nullptr;
    QSlider* TBAlphaPenSize = nullptr;
    QComboBox* CBAlphaShape = nullptr;
    QPushButton* BitBtn9 = nullptr;   // "OK"
    QPushButton* BitBtn10 = nullptr;  // "Cancel"
    // The colour the swatch was given (the colour dialog, the eyedropper); the brush takes it
    // again when "Only change opacity" is turned off.
    BrushColour SwatchColor = static_cast<BrushColour>(White);
    bool CanvasButtonDown = false;
    bool CanvasMoveBusy = false;
    // The cursor drawn where the pointer cannot be moved, and where it stands.
    PointerMark* KeyPointerMark = nullptr;
    QPoint OwnPointer;

    // Colour bits page.
    QWidget* Panel11 = nullptr;
    QWidget* Panel3 = nullptr;  // bottom panel
    QLabel* Label1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    QCheckBox* cbRemovealpha = nullptr;
    QSlider* TBAlpha = nullptr;
    QCheckBox* cbPalette = nullptr;
    QLabel* Label15 = nullptr;
    QComboBox* palSelect = nullptr;
    ImageView* imP = nullptr;
    ImageView* Image6 = nullptr;
    QPushButton* BitBtn5 = nullptr;
    QPushButton* BitBtn3 = nullptr;

    // The page shown; runs its show handler.
    void ShowPage(QWidget* page);

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildWindow();
    void BuildSizePage();
    void BuildTransparencyPage();
    void BuildEditPage();
    void BuildColourBitsPage();
    void LayoutWindow();
    void PlaceBottomButtons(QWidget* panel, QPushButton* prev, QPushButton* next);
    SizeSettings CurrentSizeSettings() const;
    QPoint IconPointOnImage3(int x, int y) const;
    void PaintTransBlock(int x, int y);
    void DrawTransOutline(const QRect& block);
    void PipetteAndMagnifier(ImageView* source, int x, int y);
    void EnterTransparencyPage();
    void CentreZoomCanvas();
    void BuildBrushGroup();
    void BuildToolsGroup();
    void BuildAlphaPanel();
    bool AlphaRegionToolDown() const;
    void PaintAlphaRegion(int x, int y);
    // The list of full-strength shadows for the swatches' colours; recomputes when it has any.
    void RebuildShadowCandidates();
    void SelectAlphaRegionTool(QToolButton* tool);
    void CloseAlphaPanel();
    // Repaints the canvas, following the icon's size when it is no longer the canvas's.
    void RedrawWholeIcon();
    void UpdateUndoActions();
    void StepHistory(bool forward);
    // Repaints the canvas over the icon pixels of `box`; all of it when the way the icon is
    // drawn changed (its first non-zero alpha came or went).
    void RedrawIconBox(const PixelBox& box, bool blendBefore);
    bool IconBlends() const;
    void ShowBrushPreview(int x, int y, int halfSize, int shape);
    // Puts the keyboard's own cursor over `target` at `local` where the pointer cannot be moved
    // (and moves the pointer there where it can).
    void StartKeyPointer(QWidget* target, const QPoint& local);
    void SetStatus(const QString& text);

    const WorkPixelFormatSource* Converter = nullptr;
    bool Image1Dragging = false;
    QPoint Image1DownAt;
    bool Image3Held = false;
    bool Image3MoveBusy = false;
};

// The one editor window that exists at a time (null when none).
extern TIconEditor* IconEditor;

}  // namespace gf
