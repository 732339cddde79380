#pragma once
// TListIcons ("Extract Icons"): every icon of a file as a grid of 128 x 128 cells. The user picks
// one, reorders the set, adds the icons of other files, deletes icons and saves the set as one
// multi-image icon file, as one file per icon, or the selected icon alone.
//
// The caller fills `Icons` (with ExtractIconsToFiles), then runs the window modally and reads
// the modal result (1 = OK) and `SelectedIndex`, or drives its actions directly without showing
// it. The window owns the one-image files named in `Icons` and deletes them when destroyed.

#include <QDialog>
#include <QImage>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <map>

#include "iconfile/icon_image.h"
#include "iconlist/icon_grid.h"
#include "platform/qt/seam.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTimer;

namespace gf {

class TListIcons;

// A file dialog that the caller may preset: with Tag 1 the dialog is not shown and FileName is
// taken as the user's choice (honoured by AddIcon for OpenDialog1 and by SaveAll for
// SaveDialog1).
struct ListFileDialog : FileDialog {
    int Tag = 0;
};

// Image1: the drawing surface of the grid. It shows the picture the window draws and, over it,
// the selection frame, made by inverting what lies under it, so moving the frame never damages
// the picture.
class ListIconsImage : public QWidget {
    Q_OBJECT
  public:
    explicit ListIconsImage(TListIcons& owner, QWidget* parent);

    QImage Picture;
    // The frame's rectangle (left, top, right, bottom; right and bottom exclusive), or invalid.
    iconlist::GridRect Frame;

    QSize sizeHint() const override { return Picture.size(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    TListIcons& Owner;
};

class TListIcons : public QDialog {
    Q_OBJECT
  public:
    // Modal results.
    static constexpr int ResultOk = 1;
    static constexpr int ResultCancel = 2;

    // `workFolder` is where the icons of added files are cut out to.
    explicit TListIcons(std::filesystem::path workFolder, QWidget* owner = nullptr);
    ~TListIcons() override;  // FormDestroy

    // ---- window state
    IconSet Icons;  // IconFiles and IconInfos, in display order
    int SelectedIndex = 0;
    bool Modified = false;
    int ColumnCount = 2;
    iconlist::GridRect SelectionRect;  // the frame drawn last; invalid after each redraw
    std::filesystem::path WorkFolder;

    // Steps through 1 .. 25, 0, 1 .. once per non-empty addition, across every list window of
    // the run; its letter ("A" .. "Y", then "@") starts the descriptions of each added batch.
    static int AddBatchCounter;

    ListFileDialog SaveDialog1;  // "Icon|*.ico"
    ListFileDialog OpenDialog1;  // "Icon|*.ico;*.exe;*.dll;*.ocx;*.scr|*.*|*.*"

    // ---- controls
    QScrollArea* ScrollBox1 = nullptr;
    ListIconsImage* Image1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusText = nullptr;  // the status bar's one line
    QWidget* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QPushButton* BitBtn10 = nullptr;  // First
    QPushButton* BitBtn8 = nullptr;   // Prev
    QPushButton* BitBtn9 = nullptr;   // Next
    QPushButton* BitBtn11 = nullptr;  // Last
    QPushButton* BitBtn1 = nullptr;   // Add Icon
    QPushButton* BitBtn2 = nullptr;   // Save all in one
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* BitBtn6 = nullptr;  // Fresh
    QPushButton* BitBtn3 = nullptr;  // Cancel
    QPushButton* BitBtn7 = nullptr;  // OK
    QLineEdit* Edit1 = nullptr;      // off-screen; holds the focus so keys reach Edit1KeyDown
    QPushButton* BBFresh = nullptr;  // hidden, disabled
    QTimer* ResizeTimer = nullptr;   // 700 ms after the last change of size
    QMenu* PopupMenu1 = nullptr;

    // ActionList1
    QAction* MoveToFirst = nullptr;
    QAction* MoveToPrevious = nullptr;
    QAction* MoveToNext = nullptr;
    QAction* MoveToLast = nullptr;
    QAction* AddIcon = nullptr;
    QAction* SaveAll = nullptr;
    QAction* SaveIcons = nullptr;
    QAction* SaveSelectedIcon = nullptr;
    QAction* DeleteSelectedIcon = nullptr;
    // PopupMenu1's items
    QAction* First1 = nullptr;  // "Save selected icon"
    QAction* SaveAll1 = nullptr;
    QAction* SaveIcons1 = nullptr;
    QAction* DeleteSelectedIcon1 = nullptr;
    QAction* AddIcon1 = nullptr;

    // ---- for callers and tests
    QString StatusLine() const;
    // The picture of the grid as drawn so far (without the selection frame).
    const QImage& Picture() const { return Image1->Picture; }
    // Cells are drawn a few at a time between window events so that a large set never freezes
    // the window; these tell whether cells are still to come and draw them all at once.
    bool IsDrawing() const;
    void FinishDrawing();
    // How long one slice of drawing may take before events are handled again (at least one
    // cell is drawn per slice).
    int DrawSliceMs = 25;
    // Redraw, reselect SelectedIndex and scroll to it (the F5 key).
    void Refresh();

    void done(int result) override;
    void reject() override;

  public slots:
    void FormResize();
    void ResizeTimerTimer();
    void BitBtn6Click();
    void Edit1KeyDown(int key);  // a Qt::Key
    void Image1MouseDown(Qt::MouseButton button, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Image1DblClick();
    void FormClose();

    void MoveToFirstExecute();
    void MoveToPreviousExecute();
    void MoveToNextExecute();
    void MoveToLastExecute();
    void AddIconExecute();
    void DeleteSelectedIconExecute();
    // True when the whole file was written.
    bool SaveAllExecute();
    void SaveIconsExecute();
    void SaveSelectedIconExecute();
    void ActionList1Update();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // One cell's drawing, kept while its file stays the same, so that refreshing after a
    // reorder does not decode every icon again.
    struct CellArt {
        std::uintmax_t FileSize = 0;
        std::filesystem::file_time_type FileTime;
        bool Loaded = false;
        QImage Icon;  // composed over white, at its size in the cell
        iconlist::IconPlacement Place;
    };

    void FormDestroy();
    void BuildControls();
    void BuildActions();
    void MoveSelectedTo(int position);
    void DrawCells(bool all);
    void DrawCell(int index);
    const CellArt& ArtOf(const std::filesystem::path& file);
    void ScheduleDrawing();
    void ShowSelectionFrame(const iconlist::GridRect& rect);

    std::map<std::filesystem::path, CellArt> ArtCache;
    QTimer* DrawTimer = nullptr;
    int NextCell = 0;     // the next cell to draw
    int CellsToDraw = 0;  // cells of the current drawing
};

}  // namespace gf
