// A tracer session as plain data, and its file: a PNG of the picture as imported with the session
// as JSON in a compressed iTXt chunk (keyword "Quelbrin session") placed right after IHDR, so that
// any image viewer shows the picture and any PNG library reads the session without decoding the
// picture. docs/session-format.md describes the format for other programs.
//
// Places on the picture are in its own pixels as continuous coordinates (the pixel in column i
// spans x = i to i + 1), as doubles written so that they read back exactly; recorded values are
// single precision and read back to the same floats.
#pragma once

#include <QByteArray>
#include <QPointF>
#include <QRgb>
#include <QSize>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "AxisMap.h"
#include "CurvePicker.h"

namespace tracer {

inline constexpr int kSessionVersion = 1;

enum class ReferenceState { kUnregistered, kPlacing, kRegistered };
enum class TraceState { kStopped, kArmed, kRunning };

struct SessionReference {
  ReferenceState state = ReferenceState::kUnregistered;
  double value = 0;
  double place = 0;  // x of a frequency line, y of the others
};

struct SessionPoint {
  float frequency = 0;  // Hz
  float level = 0;      // dB
  float impedance = 0;  // ohm
  QPointF place;        // where it was measured
  std::int32_t step = 0;
};

struct Session {
  QSize picture;
  // Its straightening: the angle it was turned by on import, if it was, then those by hand, in
  // order (degrees; PictureLean.h).
  std::optional<double> importLean;
  std::vector<double> handLeans;
  OhmScale ohmScale = OhmScale::kBase2;
  // Low and high frequency, low and high amplitude, low and high impedance.
  std::array<SessionReference, 6> references{};
  bool useTraceLimits = false;
  std::int32_t traceStartFreq = 20;
  std::int32_t traceStopFreq = 20000;
  std::int32_t tracePointLimit = 400;
  bool impedance = false;  // the points (and a running trace) are impedances
  TraceState state = TraceState::kStopped;
  bool unsaved = false;  // recorded points not yet written to a response file
  bool atEnd = false;    // the trace position reached the end of the area
  double markerColumn = 0;
  double lineColumn = 0;
  double lineHeight = 0;
  double startLog = 0;  // a limited trace: log10 of its start frequency, its step, the step reached
  double logStep = 0;
  std::int32_t stepNumber = 0;
  // The values the readout holds, which the next click records.
  float readFrequency = 0;
  float readLevel = 0;
  float readImpedance = 0;
  std::optional<CurvePick> curve;  // picked with Pick Curve Colour
  std::int32_t pickedAt = 0;       // the number of points recorded when it was picked
  std::vector<SessionPoint> points;
};

// The largest number of points a session may hold: a trace records at most its 100000 steps and
// one more.
inline constexpr std::int32_t kLargestSessionPoints = 100001;

QByteArray SessionJson(const Session& session);
// The session that `json` describes; none unless it is one of this program's sessions, of a
// version it knows, complete and consistent.
std::optional<Session> ParseSessionJson(const QByteArray& json);

// The session file: `picturePng` (a sound PNG file, whose own session chunk, if it has one, is
// left out) with the session's chunk after its IHDR. None when `picturePng` is not a sound PNG.
std::optional<QByteArray> JoinSessionFile(const QByteArray& picturePng, const Session& session);

// The session in `file`, checked before any of the picture is decoded: a sound PNG whose picture
// is at most `largest` pixels each way and of the size the session gives, with one session chunk
// before the picture data. None otherwise.
std::optional<Session> ReadSessionFile(const QByteArray& file, int largest);

// Whether a file that starts with `head` (its first 64 bytes will do) is a session file: a PNG
// whose first chunk after IHDR is the session chunk, as this program writes it.
bool StartsLikeSession(const QByteArray& head);

}  // namespace tracer
