// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the window shows of the queue and the selected photo: long paths told apart in the Cue
// List, previews of camera-turned photos upright, and Advanced pages whose row markers follow a
// new selection.
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QTest>

#include <cstring>
#include <filesystem>

#include "imageio/ImageIo.h"
#include "imageio/Jpeg.h"
#include "support/TestPictures.h"
#include "ui/CueItemDelegate.h"
#include "ui/UiTestSupport.h"
#include "ui/pages/CurveControl.h"
#include "ui/pages/DisplayOrientation.h"
#include "ui/pages/ModePages.h"
#include "ui/pages/PreviewPanel.h"
#include "ui/pages/SettingsPages.h"

namespace orv::test {
namespace {

// A little-endian EXIF block whose IFD0 holds only the Orientation tag.
std::vector<uint8_t> ExifWithOrientation(uint16_t value) {
  return {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,  // header, IFD0 at 8
          1, 0,                                                  // one entry
          0x12, 0x01, 3, 0, 1, 0, 0, 0, uint8_t(value), 0, 0, 0,  // Orientation, SHORT, 1
          0, 0, 0, 0};
}

// A JPEG whose left half is black and right half white, stored with the given orientation.
void WriteTurnedJpeg(const std::string& path, int w, int h, uint16_t orientation) {
  Image img;
  ASSERT_TRUE(img.Allocate(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) std::memset(img.row(y) + x * 3, x < w / 2 ? 0 : 255, 3);
  const std::vector<uint8_t> exif = ExifWithOrientation(orientation);
  const JpegSegment segment{0xE1, exif};
  JpegEncodeOptions o;
  o.quality = 95;
  o.segments = {&segment, 1};
  ImageDest* d = OpenDestFile(path.c_str());
  ASSERT_NE(d, nullptr);
  ASSERT_GT(WriteJpeg(d, img.pixels(), w, h, o), 0u);
  ASSERT_TRUE(CloseDest(d));
}

int Grey(const QImage& image, int x, int y) { return qGray(image.pixel(x, y)); }

class QueueDisplayTest : public UiFixture {};

TEST(CueItemDelegate, ElidesTheFolderInTheMiddleAndKeepsTheName) {
  UiApp();
  QFont font;
  QFontMetrics m(font);
  const QString path = QStringLiteral("/tmp/some/very/long/library/2024-06-01/IMG_0042.jpeg");
  EXPECT_EQ(ui::ElideCuePath(m, path, m.horizontalAdvance(path)), path);  // fits: whole
  for (int width : {m.horizontalAdvance(path) / 2, m.horizontalAdvance(path) * 3 / 4}) {
    QString shown = ui::ElideCuePath(m, path, width);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/IMG_0042.jpeg"))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/tmp"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(m.horizontalAdvance(shown), width);
  }
  // Too narrow even for the name: the name itself is shortened, never overflows.
  QString tiny = ui::ElideCuePath(m, path, m.horizontalAdvance(QStringLiteral("IMG_0")));
  EXPECT_LE(m.horizontalAdvance(tiny), m.horizontalAdvance(QStringLiteral("IMG_0")));
  EXPECT_FALSE(tiny.contains(QLatin1Char('/')));
}

TEST_F(QueueDisplayTest, CueListEntriesShowTheirFileNamesWithTheFullPathAsTooltip) {
  std::string a = Photo("a-very-long-folder-name/of-a-library/2024-06-01/IMG_0001.jpg");
  std::string b = Photo("a-very-long-folder-name/of-a-library/2024-06-02/IMG_0001.jpg");
  ui::CMainWindow& w = Open();
  w.AddDroppedPaths({QString::fromStdString(a), QString::fromStdString(b)});
  QListWidget* list = w.cueList();
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(list->item(1)->toolTip(), QString::fromStdString(b));
  // What the delegate draws: narrower than the list, ending with the name, the dates kept apart.
  QStyleOptionViewItem option;
  option.initFrom(list->viewport());
  option.rect = list->visualItemRect(list->item(1));
  ASSERT_GT(list->fontMetrics().horizontalAdvance(list->item(1)->text()), option.rect.width())
      << "the test's paths must be long enough to need shortening";
  QSize hint = list->itemDelegate()->sizeHint(option, list->model()->index(1, 0));
  EXPECT_LE(hint.width(), list->viewport()->width());
  EXPECT_LE(option.rect.right(), list->viewport()->width());
  QString shown = ui::ElideCuePath(list->fontMetrics(), list->item(1)->text(), option.rect.width());
  EXPECT_TRUE(shown.endsWith(QStringLiteral("/IMG_0001.jpg"))) << shown.toStdString();
}

TEST(DisplayOrientation, TurnsAndMapsDragsBackOntoThePicture) {
  QImage wide(4, 2, QImage::Format_RGB888);
  wide.fill(Qt::black);
  wide.setPixel(3, 0, qRgb(255, 255, 255));  // top right
  using T = QImageIOHandler::Transformation;
  QImage cw = ui::TurnedUpright(wide, T::TransformationRotate90);  // EXIF 6
  ASSERT_EQ(cw.size(), QSize(2, 4));
  EXPECT_EQ(Grey(cw, 1, 3), 255);  // top right goes to bottom right
  QImage ccw = ui::TurnedUpright(wide, T::TransformationRotate270);  // EXIF 8
  EXPECT_EQ(Grey(ccw, 0, 0), 255);
  EXPECT_EQ(ui::TurnedUpright(wide, T::TransformationNone), wide);
  // A drag on the turned view moves the crop the way the picture under the pointer lies.
  for (int t = 0; t < 8; ++t) {
    auto turn = ui::DisplayTurn(T(t));
    QImage probe(5, 3, QImage::Format_RGB888);
    probe.fill(Qt::black);
    probe.setPixel(1, 1, qRgb(255, 255, 255));
    probe.setPixel(2, 1, qRgb(128, 128, 128));  // one step right of the white pixel
    QImage shown = ui::TurnedUpright(probe, turn);
    QPoint white, grey;
    for (int y = 0; y < shown.height(); ++y)
      for (int x = 0; x < shown.width(); ++x) {
        if (Grey(shown, x, y) == 255) white = {x, y};
        if (Grey(shown, x, y) == 128) grey = {x, y};
      }
    EXPECT_EQ(ui::PictureVector(grey - white, turn), QPoint(1, 0)) << t;
  }
}

TEST_F(QueueDisplayTest, PreviewsOfATurnedPhotoStandUpright) {
  // Stored 80 x 40 with Orientation 6: seen upright it is 40 x 80, black on top.
  std::string path = Data("portrait.jpg");
  WriteTurnedJpeg(path, 80, 40, 6);
  ui::CMainWindow& w = Open();
  w.AddDroppedPaths({QString::fromStdString(path)});
  w.SelectCueIndex(0);
  ASSERT_EQ(w.shownPath(), path);
  ui::CPreviewPanel& preview = w.settingsPages().preview();
  for (const QImage* image : {&preview.before(), &preview.after()}) {
    ASSERT_FALSE(image->isNull());
    EXPECT_GT(image->height(), image->width());
    EXPECT_LT(Grey(*image, image->width() / 2, 2), 60);
    EXPECT_GT(Grey(*image, image->width() / 2, image->height() - 3), 200);
  }
  EXPECT_GT(preview.detail().height(), preview.detail().width());
  // The working picture stays as stored: the pipeline and the output are not turned.
  EXPECT_EQ(w.engine().picture().width(), 80);
  const QPixmap pane = w.findChild<QLabel*>(QStringLiteral("currentImagePane"))->pixmap();
  EXPECT_GT(pane.height(), pane.width());
}

// Counts the paint events a widget receives.
struct PaintCounter : QObject {
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST_F(QueueDisplayTest, AdvancedCurveMarksFollowANewSelection) {
  std::string withExif = ORV_SOURCE_DIR "/samples/test1.jpg";
  std::string without = Photo("plain.jpg");
  std::string profile = ReadText(App("default.orv"));
  profile.replace(profile.find("Advanced=0"), 10, "Advanced=1");
  WriteText(App("current.orv"), profile);
  ui::CMainWindow& w = Open();
  w.AddDroppedPaths({QString::fromStdString(withExif), QString::fromStdString(without)});
  w.SelectTab(2);
  w.SelectCueIndex(0);
  QTest::qWait(1);
  auto* page = w.settingsPages().modePages(2)->currentWidget();
  QList<ui::CCurveControl*> curves = page->findChildren<ui::CCurveControl*>();
  ASSERT_FALSE(curves.isEmpty());
  ui::CCurveControl* curve = curves.front();
  ASSERT_TRUE(curve->isVisible());
  EXPECT_TRUE(curve->curve().HasExif());
  PaintCounter counter;
  curve->installEventFilter(&counter);
  w.SelectCueIndex(1);
  QCoreApplication::processEvents();
  EXPECT_FALSE(curve->curve().HasExif());
  EXPECT_GT(counter.paints, 0);  // redrawn without a tab switch
  curve->removeEventFilter(&counter);
}

}  // namespace
}  // namespace orv::test
