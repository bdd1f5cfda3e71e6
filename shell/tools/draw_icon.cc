// Draws the program's icon (a picture with an upward arrow) into a PNG file:
// draw_icon <output.png>. Run by hand when the icon changes; the result is kept
// in the source tree as shell/icon.png.
#include <QImage>
#include <QPainter>
#include <QPainterPath>

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
  QPainterPath hills;
  hills.moveTo(6, 52);
  hills.lineTo(22, 32);
  hills.lineTo(32, 42);
  hills.lineTo(42, 30);
  hills.lineTo(58, 52);
  hills.closeSubpath();
  painter.drawPath(hills);
  painter.setBrush(QColor(240, 180, 40));
  painter.drawEllipse(QPointF(16, 21), 5, 5);

  // An upward arrow in the corner: the upload.
  painter.setBrush(QColor(40, 90, 160));
  QPainterPath arrow;
  arrow.moveTo(50, 2);
  arrow.lineTo(62, 16);
  arrow.lineTo(55, 16);
  arrow.lineTo(55, 28);
  arrow.lineTo(45, 28);
  arrow.lineTo(45, 16);
  arrow.lineTo(38, 16);
  arrow.closeSubpath();
  painter.setPen(QPen(Qt::white, 1.5));
  painter.drawPath(arrow);
  painter.end();
  return image.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
