#include "tests/tools/onset_curve.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <cmath>

namespace {
// Weight of the magnitudes inside the log: large enough that quiet detail
// counts, as it does to the ear.
constexpr double kLogWeight = 1000.0;
// Peaks closer than this belong to one onset.
constexpr double kPeakSpacingS = 0.05;

size_t indexOf(double timeS, int rateHz) {
  const double first = (timeS * rateHz - kOnsetFrame / 2.0) / kOnsetHop;
  return first <= 0.0 ? 0 : static_cast<size_t>(std::lround(first));
}
}  // namespace

std::vector<double> spectralFlux(const std::vector<float>& mono) {
  std::vector<double> flux;
  if (mono.size() < kOnsetFrame) return flux;
  kiss_fftr_cfg fft = kiss_fftr_alloc(kOnsetFrame, 0, nullptr, nullptr);
  std::vector<float> window(kOnsetFrame);
  double windowSum = 0.0;
  for (size_t i = 0; i < kOnsetFrame; ++i) {
    window[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * M_PI * i / kOnsetFrame));
    windowSum += window[i];
  }
  const size_t bins = kOnsetFrame / 2 + 1;
  std::vector<float> frame(kOnsetFrame);
  std::vector<kiss_fft_cpx> spectrum(bins);
  std::vector<double> previous(bins, 0.0);
  std::vector<double> current(bins);
  for (size_t start = 0; start + kOnsetFrame <= mono.size(); start += kOnsetHop) {
    for (size_t i = 0; i < kOnsetFrame; ++i) frame[i] = mono[start + i] * window[i];
    kiss_fftr(fft, frame.data(), spectrum.data());
    double rise = 0.0;
    for (size_t k = 1; k < bins; ++k) {
      const double magnitude = std::hypot(spectrum[k].r, spectrum[k].i) * 2.0 / windowSum;
      current[k] = std::log1p(kLogWeight * magnitude);
      rise += std::max(0.0, current[k] - previous[k]);
    }
    flux.push_back(start == 0 ? 0.0 : rise);
    previous.swap(current);
  }
  kiss_fftr_free(fft);
  return flux;
}

double onsetTimeS(size_t index, int rateHz) {
  return (static_cast<double>(index) * kOnsetHop + kOnsetFrame / 2.0) / rateHz;
}

double peakFluxNear(const std::vector<double>& flux, int rateHz, double timeS, double windowS) {
  const size_t from = indexOf(timeS - windowS, rateHz);
  const size_t to = std::min(flux.size(), indexOf(timeS + windowS, rateHz) + 1);
  double peak = 0.0;
  for (size_t i = from; i < to; ++i) peak = std::max(peak, flux[i]);
  return peak;
}

double medianPeakFlux(const std::vector<double>& flux, int rateHz, double fromS, double toS) {
  const auto reach = static_cast<size_t>(kPeakSpacingS * rateHz / kOnsetHop);
  std::vector<double> peaks;
  const size_t to = std::min(flux.size(), indexOf(toS, rateHz));
  for (size_t i = indexOf(fromS, rateHz); i < to; ++i) {
    const size_t lo = i > reach ? i - reach : 0;
    const size_t hi = std::min(flux.size(), i + reach + 1);
    if (flux[i] > 0.0 && flux[i] == *std::max_element(flux.begin() + lo, flux.begin() + hi)) {
      peaks.push_back(flux[i]);
    }
  }
  if (peaks.empty()) return 0.0;
  std::nth_element(peaks.begin(), peaks.begin() + peaks.size() / 2, peaks.end());
  return peaks[peaks.size() / 2];
}
