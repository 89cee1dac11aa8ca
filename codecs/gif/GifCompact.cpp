// TGifPicture::Compact: re-sorts colour tables by use, turns pixels that
// repeat the frame below into transparent ones, crops transparent borders,
// drops frames that became empty and blocks that change nothing.
#include <algorithm>
#include <array>

#include "codecs/gif/GifInternal.h"
#include "platform/rtl/Numerics.h"
#include "platform/rtl/ScopeGuard.h"

using namespace gif;

namespace {

std::uint8_t DisposalOf(const TGIFSubImage& frame) {
  return frame.ControlExt() != nullptr ? frame.ControlExt()->Disposal() : std::uint8_t(dpUnspecified);
}

TRect Intersection(const TRect& a, const TRect& b) {
  return TRect(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
               std::min(a.Bottom, b.Bottom));
}

bool Intersects(const TRect& r) { return r.Left < r.Right && r.Top < r.Bottom; }

bool UsesIndex(const TGIFSubImage& frame, int index) {
  const std::vector<std::uint8_t>& data = frame.Data();
  return std::find(data.begin(), data.end(), std::uint8_t(index)) != data.end();
}

bool SameColor(TGIFColorMap& a, int ia, TGIFColorMap& b, int ib) {
  if (&a == &b && ia == ib) return true;
  if (ia >= a.Count() || ib >= b.Count()) return false;
  const TGIFColor& ca = a.Data()[ia];
  const TGIFColor& cb = b.Data()[ib];
  return ca.Red == cb.Red && ca.Green == cb.Green && ca.Blue == cb.Blue;
}

// A transparent index for F that none of its pixels uses.
int AllocateTransparentIndex(TGifPicture& picture, TGIFSubImage& frame) {
  if (frame.LocalColors().Count() > 0) return frame.LocalColors().Add(0);
  // another frame's transparent index of the global table, when this frame
  // has no pixel of that index (else its own pixels would vanish)
  for (int i = 0; i < picture.Frames().Count(); ++i) {
    TGIFSubImage* other = picture.Frame(i);
    if (other == &frame || !other->Transparent() || other->ControlExt() == nullptr ||
        other->LocalColors().Count() > 0)
      continue;
    const int t = other->ControlExt()->TransparentColorIndex();
    if (t < picture.GlobalColors().Count() && !UsesIndex(frame, t)) return t;
  }
  // an entry the frame never draws serves without growing the table
  std::array<bool, 256> used{};
  for (std::uint8_t v : frame.Data()) used[v] = true;
  for (int i = 0; i < picture.GlobalColors().Count(); ++i)
    if (!used[std::size_t(i)]) return i;
  return picture.GlobalColors().Add(0);
}

void Merge(TGifPicture& picture, TGIFSubImage& frame, TGIFSubImage* previous) {
  if (frame.Empty() || previous == nullptr || previous->Empty()) return;
  const std::uint8_t pd = DisposalOf(*previous);
  if (pd == dpBackground || pd == dpPrevious) return;
  const TRect common = Intersection(frame.BoundsRect(), previous->BoundsRect());
  if (!Intersects(common)) return;
  int t = 0;
  bool pending = false;
  if (frame.Transparent() && frame.ControlExt() != nullptr) {
    t = frame.ControlExt()->TransparentColorIndex();
  } else {
    const int local = frame.LocalColors().Count(), global = picture.GlobalColors().Count();
    const bool room = (local >= 1 && local <= 255) || (local == 0 && global >= 1 && global <= 255);
    if (!room) return;
    pending = true;
  }
  const bool previousTransparent = previous->Transparent() && previous->ControlExt() != nullptr;
  const int p = previousTransparent ? previous->ControlExt()->TransparentColorIndex() : -1;
  TGIFColorMap& fm = frame.ActiveColorMap();
  TGIFColorMap& pm = previous->ActiveColorMap();
  bool allocated = false;
  for (int y = common.Top; y < common.Bottom; ++y) {
    std::uint8_t* fr = frame.ScanLine(y - frame.Top());
    const std::uint8_t* pr = previous->ScanLine(y - previous->Top());
    for (int x = common.Left; x < common.Right; ++x) {
      std::uint8_t& f = fr[x - frame.Left()];
      const std::uint8_t q = pr[x - previous->Left()];
      if (!(pending || f != t) || (previousTransparent && q == p)) continue;
      if (!SameColor(fm, f, pm, q)) continue;
      if (pending) {
        t = AllocateTransparentIndex(picture, frame);
        pending = false;
        allocated = true;
      }
      f = std::uint8_t(t);
    }
  }
  if (!frame.Transparent() && allocated) {
    TGIFGraphicControlExtension* gce = frame.ControlExt();
    if (gce == nullptr) {
      gce = new TGIFGraphicControlExtension(&frame);
      frame.ExtensionItems().Add(gce);
    }
    gce->SetTransparent(true);
    gce->SetTransparentColorIndex(t);
  }
  frame.FreeBitmap();
  frame.FreeMask();
}

} // namespace

void TGifPicture::Compact(std::uint8_t options, int reductionMethod, int bits, int ditherKind) {
  (void)bits;
  (void)ditherKind;
  if (Empty()) return;
  StopAllPainters();
  painterList_.LockList();
  TScopeExit unlock([this] { painterList_.UnlockList(); });
  const auto has = [options](TGIFCompactOption o) { return (options & GifCompactOption(o)) != 0; };
  int counter = 0;
  const int total = 6 * frames_.Count();
  ReportProgress(psStarting, 0, false, GifTexts::Optimizing);
  bool ok = false;
  TScopeExit ending([&] { ReportProgress(psEnding, ok ? 100 : 0, false, GifTexts::Optimizing); });
  const auto step = [&](bool changed) {
    ++counter;
    if (changed) ReportProgress(psRunning, MulDiv(counter, 100, total), false, GifTexts::Optimizing);
  };

  if (has(coColorTables)) {
    if (GlobalColors().Count() > 0) GlobalColors().Optimize();
    for (int i = 0; i < frames_.Count(); ++i)
      step(Frame(i)->LocalColors().Count() > 0 && Frame(i)->LocalColors().Optimize());
  }

  if (has(coCleanup)) {
    for (int i = 0; i < frames_.Count(); ++i) {
      TGIFSubImage& f = *Frame(i);
      TGIFGraphicControlExtension* gce = f.ControlExt();
      const bool unused = f.Transparent() && gce != nullptr && !f.Empty() &&
                          !UsesIndex(f, gce->TransparentColorIndex());
      if (unused) {
        gce->SetTransparent(false);
        f.FreeBitmap();
        f.FreeMask();
      }
      step(unused);
    }
    for (int i = 0; i + 1 < frames_.Count(); ++i) {
      TGIFSubImage& f = *Frame(i);
      TGIFSubImage& next = *Frame(i + 1);
      const std::uint8_t d = DisposalOf(f);
      bool changed = false;
      if ((d == dpBackground || d == dpPrevious) && !next.Transparent() && !next.Empty()) {
        const TRect common = Intersection(f.BoundsRect(), next.BoundsRect());
        // the disposal changes nothing only when the opaque next frame covers
        // this one, and the next does not go back to the state it left
        if (Intersects(common) && common == f.BoundsRect() && DisposalOf(next) != dpPrevious) {
          f.ControlExt()->SetDisposal(dpUnspecified);
          changed = true;
        }
      }
      step(changed);
    }
    ++counter;
  } else {
    counter += 2 * frames_.Count();
  }

  if (has(coMerge)) {
    for (int k = frames_.Count() - 1; k >= 1; --k) {
      int j = k - 1;
      while (j > 0 && DisposalOf(*Frame(j)) == dpPrevious) --j;
      Merge(*this, *Frame(k), Frame(j));
      step(true);
    }
    ++counter;
  } else {
    counter += frames_.Count();
  }

  if (has(coCrop)) {
    for (int k = frames_.Count() - 1; k >= 0; --k) {
      TGIFSubImage& f = *Frame(k);
      if (f.Empty() || !f.Transparent() || f.ControlExt() == nullptr) {
        ++counter;
        continue;
      }
      // a frame that clears its area afterwards keeps its bounds, even when
      // its borders or all of it show nothing: later frames are drawn over
      // the cleared area
      if (f.ControlExt()->Disposal() == dpBackground) {
        ++counter;
        continue;
      }
      const std::uint16_t delay = f.ControlExt()->Delay();
      f.Crop();
      if (f.Empty()) {
        if (k > 0 && Frame(k - 1)->Transparent() && Frame(k - 1)->ControlExt() != nullptr) {
          TGIFGraphicControlExtension* before = Frame(k - 1)->ControlExt();
          before->SetDelay(std::uint16_t(before->Delay() + delay));
        }
        frames_.Delete(k);
      }
      step(true);
    }
  } else {
    counter += frames_.Count();
  }
  counter += frames_.Count();

  if (has(coCleanup)) {
    const bool single = frames_.Count() == 1;
    for (int k = frames_.Count() - 1; k >= 0; --k) {
      TGIFSubImage& f = *Frame(k);
      TGIFExtensionList& list = f.ExtensionItems();
      for (int i = list.Count() - 1; i >= 0; --i) {
        TGIFExtension* e = list.Extension(i);
        const bool drop =
            dynamic_cast<TGIFCommentExtension*>(e) != nullptr ||
            dynamic_cast<TGIFTextExtension*>(e) != nullptr ||
            dynamic_cast<TGIFUnknownAppExtension*>(e) != nullptr ||
            (dynamic_cast<TGIFAppExtNSLoop*>(e) != nullptr && (k > 0 || single));
        if (drop) list.Delete(i);
      }
      if (TGIFGraphicControlExtension* gce = f.ControlExt()) {
        if ((gce->Delay() == 0 || single) && !gce->Transparent() && !gce->UserInput() &&
            (gce->Disposal() < dpBackground || single)) {
          for (int i = 0; i < list.Count(); ++i)
            if (list.Extension(i) == gce) {
              list.Delete(i);
              break;
            }
        }
      }
      if (f.Empty() && list.Count() == 0) frames_.Delete(k);
      step(true);
    }
  } else if (has(coReduceColors) && reductionMethod == rdPalette) {
    Fail(GifTexts::InvalidReductionMethod);
  }
  DropSnapshot();
  Changed();
  ok = true;
}
