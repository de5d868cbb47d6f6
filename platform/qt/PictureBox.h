// A picture box: a child surface placed and sized in twips inside its container, which keeps what
// is drawn on it (lines, polylines, text, stretched pictures) as a list of operations in twips and
// replays that list whenever Qt paints it. However much is drawn between two paints, the box asks
// Qt for one repaint. A box without retained drawing calls its paint handler first on every paint
// notification, and the handler draws anew. A box may also hold a picture of its own, shown at its
// top-left corner under the drawing, and carries line and rectangle shapes (Shapes.h) above it.
// Clicks, pointer moves and key presses go to the handlers the window sets.
//
// Drawing follows the surface's own coordinates in twips, origin top left, y downwards.
#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// One recorded drawing operation, in the surface's twips.
struct DrawOp {
  enum class Kind : std::uint8_t { kLine, kText, kPolyline, kPicture };
  Kind kind = Kind::kLine;
  float x1 = 0;  // line start, the text cell's or the picture's top-left corner
  float y1 = 0;
  float x2 = 0;  // line end, or the picture's bottom-right corner
  float y2 = 0;
  QRgb color = 0;  // line, polyline or text colour
  // By kind: the text's entry in Texts(), the picture's in Pictures(), the polyline's (its points:
  // PolylinePoints(op)).
  int index = -1;
};

// A point of a polyline, in twips.
struct TwipPoint {
  float x = 0;
  float y = 0;
  bool operator==(const TwipPoint&) const = default;
};

struct TextOp {
  QString text;
  double fontSize = 0;  // points; 0 for the surface's default font
  bool opaque = false;  // cell filled with `background`
  QRgb background = 0;
};

// A stretched picture: the source rectangle of `picture` (pixels of the picture) drawn onto the
// destination rectangle of the op.
struct PictureOp {
  QImage picture;
  QRectF source;
  // The stretched picture at the screen's resolution, made from the picture itself on the first
  // paint at a size and kept while the size stays.
  mutable QPixmap scaled;
};

// Key codes of the keys the windows handle, as the key-down handlers receive them.
enum KeyCode : int {
  kKeyBack = 8,
  kKeyReturn = 13,
  kKeyEscape = 27,
  kKeyLeft = 37,
  kKeyUp = 38,
  kKeyRight = 39,
  kKeyDown = 40,
  kKeyDelete = 46
};
// Mouse buttons and modifier keys, as bit sets.
enum MouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };
enum ShiftState : int { kShiftMask = 1, kCtrlMask = 2, kAltMask = 4 };

class PictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit PictureBox(QWidget* parent = nullptr);

  // Placement in the container, in twips. A negative width or height throws std::invalid_argument
  // and leaves the box where it was.
  void Move(int left, int top, int width, int height);
  void Move(int left, int top) { Move(left, top, width_, height_); }
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  QColor BackColor() const { return backColor_; }
  void SetBackColor(const QColor& color);
  QColor ForeColor() const { return foreColor_; }
  void SetForeColor(const QColor& color) { foreColor_ = color; }
  double FontSize() const { return fontSize_; }
  void SetFontSize(double points) { fontSize_ = points; }
  bool FontTransparent() const { return fontTransparent_; }
  void SetFontTransparent(bool transparent) { fontTransparent_ = transparent; }
  double CurrentX() const { return currentX_; }
  double CurrentY() const { return currentY_; }
  void SetCurrentX(double x) { currentX_ = x; }
  void SetCurrentY(double y) { currentY_ = y; }

  // Whether the drawing is kept (true) or the paint handler draws it on each paint (false).
  void SetAutoRedraw(bool retained) { autoRedraw_ = retained; }
  bool AutoRedraw() const { return autoRedraw_; }
  void SetPaintHandler(std::function<void()> handler) { paintHandler_ = std::move(handler); }

  // Handlers of the box's events. A click is a left button pressed and released over the box. A
  // pointer move reports the buttons held, the modifier keys and the position in twips; while a
  // button is held it goes on when the pointer leaves the box, with positions outside it. A key
  // press reports its key code (KeyCode; letters and digits as their upper-case character, other
  // keys 0) and the modifier keys. A mouse-down reports the button pressed, the modifier keys and
  // the position in twips; the click of a left button follows it at the release.
  void SetClickHandler(std::function<void()> handler) { click_ = std::move(handler); }
  void SetMouseDownHandler(std::function<void(int button, int shift, float x, float y)> handler) {
    mouseDown_ = std::move(handler);
  }
  void SetMouseMoveHandler(std::function<void(int button, int shift, float x, float y)> handler);
  void SetKeyDownHandler(std::function<void(int keyCode, int shift)> handler) { keyDown_ = std::move(handler); }

  // The picture the box holds (a null image for none). A picture with transparent parts is held
  // over the box's background colour, made opaque in its own memory where it has 32 bits a pixel
  // and is not shared. With AutoSize set, the box takes the picture's own size.
  void SetPicture(QImage picture);
  const QImage& Picture() const { return picture_; }
  void SetAutoSize(bool autoSize) { autoSize_ = autoSize; }

  // Clears the drawing to the background colour; the current position returns to 0, 0.
  void Cls();
  // A one-pixel line from (x1, y1) to (x2, y2), in `color` or else the foreground colour; the
  // current position moves to its end.
  void Line(float x1, float y1, float x2, float y2, const QColor& color);
  void Line(float x1, float y1, float x2, float y2) { Line(x1, y1, x2, y2, foreColor_); }
  // One-pixel lines joining `points` in order, in `color`: one operation however many points. When
  // painted, the points that fall into one pixel column are thinned to the first, the lowest, the
  // highest and the last of them, which draws the same pixels.
  void Polyline(std::vector<TwipPoint> points, const QColor& color);
  // Text at the current position in the foreground colour and the current font size, its cell
  // filled with the background colour unless the font is transparent.
  void Print(const QString& text);
  // Draws the source rectangle of `picture` (twips of the picture) stretched onto the destination
  // rectangle (twips of the box). A null picture throws std::invalid_argument; an empty rectangle
  // draws nothing. A picture that covers the whole box hides all that was drawn before it, which
  // is then forgotten; the same part of the same picture drawn again keeps its stretched pixels.
  void PaintPicture(const QImage& picture, double x, double y, double width, double height, double sourceX,
                    double sourceY, double sourceWidth, double sourceHeight);

  const std::vector<DrawOp>& Operations() const { return ops_; }
  const std::vector<TextOp>& Texts() const { return texts_; }
  const std::vector<PictureOp>& Pictures() const { return pictures_; }
  const std::vector<TwipPoint>& PolylinePoints(const DrawOp& op) const {
    return polylines_[static_cast<std::size_t>(op.index)].points;
  }

  // Repaints the part of the box that a shape's outline covers (pixels of the box).
  void UpdateArea(const QRect& pixels);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct PolylineOp {
    std::vector<TwipPoint> points;
    std::vector<QPointF> pixels;  // the thinned points in pixels, made when first painted
    QRectF bounds;                // of the pixels
    bool ascending = false;       // the pixels' x never falls: a paint draws only the part it shows
  };

  void Changed();
  static void Thin(PolylineOp& polyline);

  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  QColor backColor_{Qt::white};
  QColor foreColor_{Qt::black};
  double fontSize_ = 0;
  bool fontTransparent_ = true;
  double currentX_ = 0;
  double currentY_ = 0;
  bool autoRedraw_ = true;
  bool painting_ = false;
  bool autoSize_ = false;
  bool pressed_ = false;
  bool updatePending_ = false;  // a repaint has been asked for and not yet done
  QRect pendingBox_;            // around the areas asked for since the last paint
  int pendingAreas_ = 0;        // how many
  std::function<void()> paintHandler_;
  std::function<void()> click_;
  std::function<void(int, int, float, float)> mouseMove_;
  std::function<void(int, int, float, float)> mouseDown_;
  std::function<void(int, int)> keyDown_;
  QImage picture_;
  std::vector<DrawOp> ops_;
  std::vector<TextOp> texts_;
  std::vector<PictureOp> pictures_;
  std::vector<PolylineOp> polylines_;
};

}  // namespace platform
