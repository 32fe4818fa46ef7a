// An onset measure for checking the music: spectral flux, the summed rise of
// log magnitudes from one short spectrum to the next, as the ear hears a new
// sound start.
#pragma once

#include <cstddef>
#include <vector>

// Spectra of this many samples, one every hop.
constexpr size_t kOnsetFrame = 1024;
constexpr size_t kOnsetHop = 256;

// The flux curve of a mono signal: entry n belongs to the time
// onsetTimeS(n, rate).
std::vector<double> spectralFlux(const std::vector<float>& mono);

// The time (seconds) of flux entry `index`: the centre of its later spectrum.
double onsetTimeS(size_t index, int rateHz);

// The largest flux within `windowS` of `timeS`.
double peakFluxNear(const std::vector<double>& flux, int rateHz, double timeS, double windowS);

// The median of the flux maxima in [fromS, toS): local peaks of the curve
// (each larger than its neighbours within 50 ms); 0 when there are none.
double medianPeakFlux(const std::vector<double>& flux, int rateHz, double fromS, double toS);
