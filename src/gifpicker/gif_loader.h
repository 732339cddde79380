#pragma once
// The GIF frame picker "Select Gif Image": shows every frame of an animated GIF one under
// another in a scrollable strip, lets the user pick one by clicking it, and saves the chosen
// frame or all frames as BMP files from its pop-up menu. The Load command creates it, sets
// GifPath, runs LoadGifImageClick, shows it when the GIF has more than one frame and then
// takes frame SelectedFrame of GifPicture. Frames are composed as they are shown (GifFrames
// keeps what that needs within its budget), so a long animation never costs all its frames.

#include <QDialog>
#include <QImage>
#include <QString>
#include <QWidget>
#include <optional>

#include "platform/gif_codec.h"
#include "platform/qt/picture_view.h"
#include "platform/qt/seam.h"
#include "platform/result.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;

namespace gf {

// The frame strip: W pixels wide and N x H high, frame i at (0, i x H) over white. Frames are
// composed and painted as they come into view.
class FrameStrip : public PictureView {
    Q_OBJECT
  public:
    explicit FrameStrip(QWidget* parent = nullptr);
    // The animation whose frames are shown (not owned; nullptr shows white only).
    void SetAnimation(const GifFrames* animation);
    // The strip as painted, for the part [0, width) x [y0, y1).
    QImage Render(int y0, int y1) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void PaintArea(QPainter& painter, const QRect& area) const;
    const GifFrames* Animation = nullptr;
};

class TGifLoader : public QDialog {
    Q_OBJECT
  public:
    explicit TGifLoader(QWidget* owner = nullptr);
    ~TGifLoader() override;

    // The tallest strip shown; an animation whose frames stack higher is refused.
    static constexpr int MaxStripHeight = 16'000'000;

    QString GifPath;
    std::optional<GifFrames> GifPicture;
    int SelectedFrame = 0;

    int FrameCount() const;
    // Frame `index` of GifPicture as it shows.
    Result<Bitmap> FramePicture(int index) const;

    QLabel* Label1;
    QScrollArea* ScrollBox1;
    QWidget* ScrollContent;  // what scrolls: Image1 sits on it at its Left and Top
    FrameStrip* Image1;
    QLabel* Label2;
    PictureView* Image2;
    QPushButton* BitBtn1;
    QPushButton* LoadGifImage;
    QMenu* PopupMenu2;
    QAction* Savecurrentframeasbitmapfile1;
    QAction* Saveallframesasbitmapfile1;
    FileDialog SaveDialog1;

  public slots:
    // Loads GifPath, lays out the strip and selects frame 0. Every frame is decoded once, so
    // that the animation ends before a frame that cannot be decoded. A GIF whose first frame
    // cannot be decoded, or whose strip would be too tall to show, is refused: the error is
    // returned and the window keeps no frames.
    Status LoadGifImageClick();
    void Image1MouseMove(Qt::MouseButtons buttons, int x, int y);
    void Image1MouseUp(Qt::MouseButton button, int x, int y);
    void Savecurrentframeasbitmapfile1Click();
    void Saveallframesasbitmapfile1Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void PlaceStrip();
};

// The picker while the Load command holds it.
extern TGifLoader* GifLoader;

}  // namespace gf
