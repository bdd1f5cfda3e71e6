// Draws the program's icon (a picture with an upward arrow) into a PNG file:
// draw_icon <output.png>. Run by hand when the icon changes; the result is kept
// in the source tree as shell/icon.png.
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <initializer_list>

namespace {

// A closed path through the given corners.
QPainterPath polygon(std::initializer_list<QPointF> corners) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(corners)));
  path.closeSubpath();
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int size = 64;
  QImage image(size, size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);

  // A rounded frame in the skin's blue with a light face.
  painter.setPen(QPen(QColor(123, 158, 189), 3));
  QLinearGradient face(0, 0, 0, size);
  face.setColorAt(0, QColor(255, 255, 255));
  face.setColorAt(1, QColor(190, 214, 238));
  painter.setBrush(face);
  painter.drawRoundedRect(QRectF(3, 9, 58, 46), 6, 6);

  // Hills and a sun: the picture.
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(86, 150, 90));
  painter.drawPath(polygon({{6, 52}, {22, 32}, {32, 42}, {42, 30}, {58, 52}}));
  painter.setBrush(QColor(240, 180, 40));
  painter.drawEllipse(QPointF(16, 21), 5, 5);

  // An upward arrow in the corner: the upload.
  painter.setBrush(QColor(40, 90, 160));
  painter.setPen(QPen(Qt::white, 1.5));
  painter.drawPath(
      polygon({{50, 2}, {62, 16}, {55, 16}, {55, 28}, {45, 28}, {45, 16}, {38, 16}}));
  painter.end();
  return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
