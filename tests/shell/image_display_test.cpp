// The image bitmap display: the right part of the image at every zoom and scroll position, the
// visible part rebuilt only when the view changes, zooming about the view's centre, and the
// packed bitmap of an image.
#include <gtest/gtest.h>

#include "image_view_fixture.h"
#include "shell/ih_draw.h"

using shelltest::grey_of;
using shelltest::grey_rgb;
using shelltest::ImageView;

namespace {

// Image pixel shown at canvas position X.
int source_of(int X, int zoom) { return zoom >= 1 ? X / zoom : X * -zoom; }

TEST(ImageDisplay, ShowsTheImagePixelUnderEveryViewPointAtEachZoomAndScroll) {
  ImageView v(500, 400);
  struct Case {
    int zoom, sx, sy;
  } cases[] = {{1, 0, 0}, {1, 37, 21}, {1, 10000, 10000}, {3, 300, 0}, {3, 1000, 777},
               {-2, 0, 0}, {-2, 13, 9}, {10, 4321, 3210}, {-4, 0, 0}};
  for (const Case& c : cases) {
    v.zoom(c.zoom);
    v.scroll(c.sx, c.sy);
    const QImage& b = v.expose();
    const TkRect vis = v.visible();
    const int dw = ih_dpy_displayed(500, c.zoom), dh = ih_dpy_displayed(400, c.zoom);
    // The scroll is held to the canvas.
    EXPECT_LE(vis.x, std::max(0, dw - vis.w)) << c.zoom;
    EXPECT_LE(vis.y, std::max(0, dh - vis.h)) << c.zoom;
    int checked = 0;
    for (int j = 0; j < vis.h; j += 7)
      for (int i = 0; i < vis.w; i += 5) {
        const int X = vis.x + i, Y = vis.y + j;
        if (X >= dw || Y >= dh) continue;
        const int x = std::min(source_of(X, c.zoom), 499), y = std::min(source_of(Y, c.zoom), 399);
        ASSERT_EQ(b.pixel(i, j) & 0xFFFFFF, grey_rgb(grey_of(x, y)))
            << "zoom " << c.zoom << " scroll " << vis.x << "," << vis.y << " at " << i << "," << j;
        ++checked;
      }
    EXPECT_GT(checked, 100) << c.zoom;
  }
}

TEST(ImageDisplay, ResamplesOnlyWhenTheViewChanges) {
  ImageView v(500, 400);
  v.zoom(3);
  v.expose();
  GtDisplay* g = gt_display_of(v.image->img_ptr);
  const int n = g->rebuilds;
  v.expose();
  v.expose();
  EXPECT_EQ(g->rebuilds, n);
  // The piece holds only the visible part.
  EXPECT_LE(g->zoomed.width(), v.visible().w);
  v.scroll(30, 0);
  v.expose();
  EXPECT_GT(g->rebuilds, n);
  const int m = g->rebuilds;
  v.image->img_ptr->cmap_changed = 1;  // a new colour map forces the rebuild
  v.expose();
  EXPECT_EQ(g->rebuilds, m + 1);
  EXPECT_EQ(v.image->img_ptr->cmap_changed, 0);
}

TEST(ImageDisplay, ZoomKeepsTheImagePointAtTheViewCentre) {
  ImageView v(500, 400);
  v.scroll(100, 80);
  v.expose();
  TkRect vis = v.visible();
  const int cx = vis.x + vis.w / 2, cy = vis.y + vis.h / 2;  // image point at the centre (zoom 1)
  v.zoom(2);
  vis = v.visible();
  const int ix = (vis.x + vis.w / 2) / 2, iy = (vis.y + vis.h / 2) / 2;
  EXPECT_NEAR(ix, cx, 1);
  EXPECT_NEAR(iy, cy, 1);
  EXPECT_EQ(v.image->img_ptr->zoom[1], 1);
}

TEST(ImageDisplay, SmallImageInALargeViewStaysAtTheOrigin) {
  ImageView v(50, 40);
  v.zoom(-2);
  v.expose();
  EXPECT_EQ(v.visible().x, 0);
  EXPECT_EQ(v.visible().y, 0);
  EXPECT_EQ(v.px(3, 3), grey_rgb(grey_of(6, 6)));
  EXPECT_EQ(v.px(30, 30), 0xFFFFFFu);  // beyond the image: the area's background
}

TEST(DisplayBitmap, HeaderRowsAndPixelsPerMetre) {
  ImageView v(5, 3);
  v.image->img_info->x_res = 100;  // 100 x 10^(-6 - 3) m = 0.1 um
  v.image->img_info->x_scale = -6;
  v.image->img_info->y_res = 0;    // unknown resolution: 0, not a division by zero
  gt_dib_build(v.image);
  GtDisplay* g = gt_display_of(v.image->img_ptr);
  ASSERT_NE(g->bmi, nullptr);
  EXPECT_EQ(g->bmi->bmiHeader.biWidth, 5);
  EXPECT_EQ(g->bmi->bmiHeader.biHeight, 3);
  EXPECT_EQ(g->bmi->bmiHeader.biBitCount, 8);
  EXPECT_EQ(g->bmi->bmiHeader.biXPelsPerMeter, 10000000);
  EXPECT_EQ(g->bmi->bmiHeader.biYPelsPerMeter, 0);
  ASSERT_EQ(g->bits.size(), 8u * 3u);  // rows padded to 8 bytes
  EXPECT_EQ(g->bits[0 * 8 + 4], grey_of(4, 2));  // bottom-up: the first row is the last
  EXPECT_EQ(g->bits[2 * 8 + 1], grey_of(1, 0));
  gt_dib_build(v.image);  // a rebuild reuses the header
  gt_dib_free(v.image);
  EXPECT_EQ(g->bmi, nullptr);
  EXPECT_EQ(gt_dib_pels_per_metre(-3, 0), 0);
  EXPECT_EQ(gt_dib_pels_per_metre(254, -2147483647 - 1), 0);  // a damaged info file's scale
  EXPECT_EQ(gt_dib_pels_per_metre(254, 2147483647), 0);
}

}  // namespace
