// The error-diffusion dither engines: the plain engine, Floyd-Steinberg and
// the kernel engines (Stucki, Sierra, Jarvis-Judice-Ninke, Stevenson-Arce,
// Burkes). Each walks the rows in serpentine order.
#include <algorithm>

#include "codecs/gif/GifColorReduction.h"

int TDitherEngine::Dither(int red, int green, int blue, TLookupColor& chosen) {
  const int index = lookup_.Lookup(red, green, blue, chosen);
  column_ += direction_;
  return index;
}

void TDitherEngine::NextLine() {
  direction_ = -direction_;
  column_ = direction_ > 0 ? 0 : width_ - 1;
}

namespace {

int ClampChannel(int v) { return std::clamp(v, 0, 255); }

int ChosenChannel(const TLookupColor& c, int channel) {
  return channel == 0 ? c.Red : channel == 1 ? c.Green : c.Blue;
}

} // namespace

// ---- Floyd-Steinberg ------------------------------------------------------------------------

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& lookup)
    : TDitherEngine(width, lookup) {
  for (auto& row : rows_) row.assign(std::size_t(width) + 2, 0);
}

int TFloydSteinbergDitherer::Dither(int red, int green, int blue, TLookupColor& chosen) {
  const int in[3] = {red, green, blue};
  for (int c = 0; c < 3; ++c)
    current_[c] = ClampChannel(in[c] + (rows_[c][std::size_t(cursor_)] + current_[c] + 8) / 16);
  const int index = TDitherEngine::Dither(current_[0], current_[1], current_[2], chosen);
  for (int c = 0; c < 3; ++c) {
    const int error = current_[c] - ChosenChannel(chosen, c);
    current_[c] = error;
    if (error != 0) {
      rows_[c][std::size_t(cursor_)] = behind_[c] + 3 * error;
      behind_[c] = below_[c] + 5 * error;
      below_[c] = error;
      current_[c] = 7 * error;
    }
  }
  cursor_ += direction_;
  return index;
}

void TFloydSteinbergDitherer::NextLine() {
  for (int c = 0; c < 3; ++c) {
    // the cursor stands one past the last pixel, inside the row's margin
    rows_[c][std::size_t(cursor_)] = behind_[c];
    current_[c] = below_[c] = behind_[c] = 0;
  }
  TDitherEngine::NextLine();
  cursor_ = direction_ > 0 ? 0 : width_ + 1;
}

// ---- kernel engines -------------------------------------------------------------------------

TKernelDitherer::TKernelDitherer(int width, TColorLookup& lookup, int rows, int margin,
                                 int divisor)
    : TDitherEngine(width, lookup), margin_(margin), divisor_(divisor), cursor_(margin) {
  for (auto& channel : rows_)
    channel.assign(std::size_t(rows), std::vector<int>(std::size_t(width + 2 * margin), 0));
}

int TKernelDitherer::Dither(int red, int green, int blue, TLookupColor& chosen) {
  const int in[3] = {red, green, blue};
  int corrected[3];
  for (int c = 0; c < 3; ++c)
    corrected[c] =
        ClampChannel(in[c] + (rows_[c][0][std::size_t(cursor_)] + divisor_ / 2) / divisor_);
  const int index = TDitherEngine::Dither(corrected[0], corrected[1], corrected[2], chosen);
  for (int c = 0; c < 3; ++c) {
    const int error = corrected[c] - ChosenChannel(chosen, c);
    if (error != 0) Propagate(rows_[c], error);
  }
  cursor_ += direction_;
  return index;
}

void TKernelDitherer::Propagate(std::vector<std::vector<int>>& rows, int error) {
  for (const TDitherWeight& w : Kernel())
    rows[std::size_t(w.Row)][std::size_t(cursor_ + w.Offset * direction_)] += w.Weight * error;
}

void TKernelDitherer::NextLine() {
  for (auto& channel : rows_) {
    std::fill(channel[0].begin(), channel[0].end(), 0);
    std::rotate(channel.begin(), channel.begin() + 1, channel.end());
  }
  TDitherEngine::NextLine();
  cursor_ = direction_ > 0 ? margin_ : width_ + margin_ - 1;
}

const std::vector<TDitherWeight>& TStuckiDitherer::Kernel() const {
  static const std::vector<TDitherWeight> k = {
      {0, 1, 8},  {0, 2, 4},  {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4},
      {1, 2, 2},  {2, -2, 1}, {2, -1, 2}, {2, 0, 4},  {2, 1, 2}, {2, 2, 1}};
  return k;
}

const std::vector<TDitherWeight>& TSierraDitherer::Kernel() const {
  static const std::vector<TDitherWeight> k = {{0, 1, 5},  {0, 2, 3},  {1, -2, 2}, {1, -1, 4},
                                               {1, 0, 5},  {1, 1, 4},  {1, 2, 2},  {2, -1, 2},
                                               {2, 0, 3},  {2, 1, 2}};
  return k;
}

const std::vector<TDitherWeight>& TJaJuNiDitherer::Kernel() const {
  static const std::vector<TDitherWeight> k = {
      {0, 1, 7},  {0, 2, 5},  {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5},
      {1, 2, 3},  {2, -2, 1}, {2, -1, 3}, {2, 0, 5},  {2, 1, 3}, {2, 2, 1}};
  return k;
}

const std::vector<TDitherWeight>& TSteveArcheDitherer::Kernel() const {
  static const std::vector<TDitherWeight> k = {
      {0, 2, 32},  {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16}, {2, -2, 12},
      {2, 0, 26},  {2, 2, 12},  {3, -3, 5},  {3, -1, 12}, {3, 1, 12}, {3, 3, 5}};
  return k;
}

const std::vector<TDitherWeight>& TBurkesDitherer::Kernel() const {
  static const std::vector<TDitherWeight> k = {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4},
                                               {1, 0, 8}, {1, 1, 4}, {1, 2, 2}};
  return k;
}

std::unique_ptr<TDitherEngine> MakeDitherEngine(int kind, int width, TColorLookup& lookup) {
  switch (kind) {
  case dkNearest: return std::make_unique<TDitherEngine>(width, lookup);
  case dkFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
  case dkStucki: return std::make_unique<TStuckiDitherer>(width, lookup);
  case dkSierra: return std::make_unique<TSierraDitherer>(width, lookup);
  case dkJaJuNi: return std::make_unique<TJaJuNiDitherer>(width, lookup);
  case dkSteveArche: return std::make_unique<TSteveArcheDitherer>(width, lookup);
  case dkBurkes: return std::make_unique<TBurkesDitherer>(width, lookup);
  default: return nullptr;
  }
}
