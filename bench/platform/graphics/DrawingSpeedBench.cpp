// The drawing layer's everyday calls beside plain QPainter doing the same work
// on the same 1920 x 1080 RGB32 image: 100k FillRect, 100k Rectangle, 100k
// one-pixel polylines and 20k short TextOut labels. Each benchmark times both
// in the same run (processor time of the thread) and reports ours / QPainter
// as its "ratio" counter.
#include <benchmark/benchmark.h>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/graphics/Gdi.h"
#include "platform/graphics/Surface.h"
#include "platform/rtl/Strings.h"

namespace {

constexpr int kW = 1920, kH = 1080;

struct TShape {
  int x, y, w, h;
  COLORREF color;
  std::vector<POINT> line;
  std::string label;
};

const std::vector<TShape>& Shapes() {
  static const std::vector<TShape> shapes = [] {
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> px(0, kW - 1), py(0, kH - 1), size(2, 40), step(-12, 12),
        colour(1, 0xFFFFFE), number(0, 99999);
    std::vector<TShape> out(100000);
    for (TShape& s : out) {
      s.x = px(rng);
      s.y = py(rng);
      s.w = size(rng);
      s.h = size(rng);
      s.color = COLORREF(colour(rng));
      POINT p(s.x, s.y);
      for (int i = 0; i < 5; ++i) {
        s.line.push_back(p);
        p = POINT(p.x + step(rng), p.y + step(rng));
      }
      s.label = "Label " + IntToStr(number(rng));
    }
    return out;
  }();
  return shapes;
}

/// The thread's processor time in milliseconds (other programs on the
/// machine do not count).
double ThreadMs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

/// Times `ours` and `qt` (each one whole workload) once per iteration and
/// reports both means and their ratio.
void Compare(benchmark::State& state, const std::function<void()>& ours,
             const std::function<void()>& qt) {
  double oursTotal = 0, qtTotal = 0;
  for (auto _ : state) {
    double t0 = ThreadMs();
    ours();
    double t1 = ThreadMs();
    qt();
    double t2 = ThreadMs();
    oursTotal += t1 - t0;
    qtTotal += t2 - t1;
  }
  const double n = double(state.iterations());
  state.counters["ours_ms"] = oursTotal / n;
  state.counters["qpainter_ms"] = qtTotal / n;
  state.counters["ratio"] = qtTotal > 0 ? oursTotal / qtTotal : 0;
}

struct TOurs {
  TMemorySurface surface{kW, kH, 32};
  HDC dc = CreateSurfaceDC(&surface);
  ~TOurs() { DeleteDC(dc); }
};

struct TQt {
  QImage image{kW, kH, QImage::Format_RGB32};
  QPainter painter;
  TQt() {
    image.fill(Qt::white);
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
  }
};

QColor ToQColor(COLORREF c) {
  return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

void BM_FillRect(benchmark::State& state) {
  TOurs ours;
  TQt qt;
  std::vector<HBRUSH> brushes;
  for (int i = 0; i < 16; ++i)
    brushes.push_back(CreateSolidBrush(Shapes()[size_t(i)].color));
  Compare(
      state,
      [&] {
        int i = 0;
        for (const TShape& s : Shapes()) {
          RECT r(s.x, s.y, s.x + s.w, s.y + s.h);
          FillRect(ours.dc, &r, brushes[size_t(i++ & 15)]);
        }
      },
      [&] {
        int i = 0;
        for (const TShape& s : Shapes())
          qt.painter.fillRect(QRect(s.x, s.y, s.w, s.h),
                              ToQColor(Shapes()[size_t(i++ & 15)].color));
      });
  for (HBRUSH b : brushes)
    DeleteObject(b);
}
BENCHMARK(BM_FillRect)->Unit(benchmark::kMillisecond);

void BM_Rectangle(benchmark::State& state) {
  TOurs ours;
  TQt qt;
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(30, 160, 90));
  SelectObject(ours.dc, pen);
  SelectObject(ours.dc, brush);
  qt.painter.setPen(QPen(Qt::black, 1));
  qt.painter.setBrush(QColor(30, 160, 90));
  Compare(
      state,
      [&] {
        for (const TShape& s : Shapes())
          Rectangle(ours.dc, s.x, s.y, s.x + s.w, s.y + s.h);
      },
      [&] {
        // A one-pixel pen covers one pixel more than the rectangle.
        for (const TShape& s : Shapes())
          qt.painter.drawRect(QRect(s.x, s.y, s.w - 1, s.h - 1));
      });
  DeleteObject(pen);
  DeleteObject(brush);
}
BENCHMARK(BM_Rectangle)->Unit(benchmark::kMillisecond);

void BM_Polyline(benchmark::State& state) {
  TOurs ours;
  TQt qt;
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(200, 0, 0));
  SelectObject(ours.dc, pen);
  qt.painter.setPen(QPen(QColor(200, 0, 0), 1));
  std::vector<QPolygon> polys;
  for (const TShape& s : Shapes()) {
    QPolygon q;
    for (const POINT& p : s.line)
      q << QPoint(p.x, p.y);
    polys.push_back(q);
  }
  Compare(
      state,
      [&] {
        for (const TShape& s : Shapes())
          Polyline(ours.dc, s.line.data(), int(s.line.size()));
      },
      [&] {
        for (const QPolygon& q : polys)
          qt.painter.drawPolyline(q);
      });
  DeleteObject(pen);
}
BENCHMARK(BM_Polyline)->Unit(benchmark::kMillisecond);

/// Fonts need a GUI application (offscreen unless a platform is named).
void NeedGuiApplication() {
  if (QCoreApplication::instance() != nullptr) return;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "bench_graphics";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);
}

void BM_TextOut(benchmark::State& state) {
  NeedGuiApplication();
  TOurs ours;
  TQt qt;
  LOGFONT lf{};
  lf.lfHeight = -13;
  std::strcpy(lf.lfFaceName, "Arial");
  HFONT font = CreateFontIndirect(&lf);
  SelectObject(ours.dc, font);
  SetBkMode(ours.dc, TRANSPARENT);
  QFont qfont("Liberation Sans");
  qfont.setPixelSize(13);
  qfont.setHintingPreference(QFont::PreferFullHinting);
  qfont.setStyleStrategy(QFont::NoAntialias);
  qt.painter.setFont(qfont);
  qt.painter.setPen(Qt::black);
  constexpr int kLabels = 20000;
  std::vector<QString> labels;
  for (int i = 0; i < kLabels; ++i)
    labels.push_back(QString::fromStdString(Shapes()[size_t(i)].label));
  Compare(
      state,
      [&] {
        for (int i = 0; i < kLabels; ++i) {
          const TShape& s = Shapes()[size_t(i)];
          TextOut(ours.dc, s.x, s.y, s.label.data(), int(s.label.size()));
        }
      },
      [&] {
        for (int i = 0; i < kLabels; ++i) {
          const TShape& s = Shapes()[size_t(i)];
          qt.painter.drawText(QPoint(s.x, s.y + 12), labels[size_t(i)]);
        }
      });
  DeleteObject(font);
}
BENCHMARK(BM_TextOut)->Unit(benchmark::kMillisecond);

} // namespace
