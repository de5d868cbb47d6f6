#include "SessionFile.h"

#include <QColor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <limits>

#include "PngChunks.h"
#include "numbers.h"

namespace tracer {

namespace {

const QByteArray kKeyword("Quelbrin session");
const QString kFormat = QStringLiteral("Quelbrin session");
// The text of the largest session is some 15 MB; a chunk that inflates beyond this is refused.
constexpr qsizetype kLargestText = 64 << 20;
constexpr qsizetype kMostHandLeans = 100;

const char* const kReferenceNames[6] = {"lowFrequency",  "highFrequency", "lowAmplitude",
                                        "highAmplitude", "lowImpedance",  "highImpedance"};

template <typename Enum>
struct Name {
  Enum value;
  const char* text;
};
constexpr Name<ReferenceState> kReferenceStates[] = {{ReferenceState::kUnregistered, "unregistered"},
                                                     {ReferenceState::kPlacing, "placing"},
                                                     {ReferenceState::kRegistered, "registered"}};
constexpr Name<TraceState> kTraceStates[] = {
    {TraceState::kStopped, "stopped"}, {TraceState::kArmed, "armed"}, {TraceState::kRunning, "running"}};
constexpr Name<OhmScale> kOhmScales[] = {
    {OhmScale::kBase10, "base-10"}, {OhmScale::kBase2, "base-2"}, {OhmScale::kLinear, "linear"}};

template <typename Enum, std::size_t N>
QString NameOf(const Name<Enum> (&names)[N], Enum value) {
  for (const Name<Enum>& name : names) {
    if (name.value == value) {
      return QString::fromLatin1(name.text);
    }
  }
  return {};
}

// Thrown by the readers below for whatever does not belong in a session.
struct NotASession {};

template <typename Enum, std::size_t N>
Enum ValueOf(const Name<Enum> (&names)[N], const QJsonValue& text) {
  for (const Name<Enum>& name : names) {
    if (text.toString() == QLatin1String(name.text)) {
      return name.value;
    }
  }
  throw NotASession{};
}

QJsonValue Field(const QJsonObject& object, const char* key) {
  const QJsonValue value = object.value(QLatin1String(key));
  if (value.isUndefined()) {
    throw NotASession{};
  }
  return value;
}

QJsonObject ObjectOf(const QJsonValue& value) {
  if (!value.isObject()) {
    throw NotASession{};
  }
  return value.toObject();
}

double FiniteOf(const QJsonValue& value) {
  if (!value.isDouble() || !std::isfinite(value.toDouble())) {
    throw NotASession{};
  }
  return value.toDouble();
}

// A single-precision value written as the double it equals; any number that rounds to a finite
// float is taken.
float SingleOf(const QJsonValue& value) {
  const double d = FiniteOf(value);
  if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) {
    throw NotASession{};
  }
  return static_cast<float>(d);
}

std::int32_t WholeOf(const QJsonValue& value, std::int32_t low, std::int32_t high) {
  const double d = FiniteOf(value);
  if (d != std::trunc(d) || d < low || d > high) {
    throw NotASession{};
  }
  return platform::RoundToInt32(d);  // whole and within range: exact
}

// "#rrggbb", or "#aarrggbb" for a colour not opaque.
QRgb ColourOf(const QJsonValue& value) {
  const QString text = value.toString();
  const QColor colour = QColor::fromString(text);
  if (!value.isString() || (text.size() != 7 && text.size() != 9) || !colour.isValid()) {
    throw NotASession{};
  }
  return colour.rgba();
}

QString ColourText(QRgb rgba) {
  return QColor::fromRgba(rgba).name(qAlpha(rgba) == 255 ? QColor::HexRgb : QColor::HexArgb);
}

bool BoolOf(const QJsonValue& value) {
  if (!value.isBool()) {
    throw NotASession{};
  }
  return value.toBool();
}

QJsonArray ArrayOf(const QJsonValue& value, qsizetype size) {
  if (!value.isArray() || value.toArray().size() != size) {
    throw NotASession{};
  }
  return value.toArray();
}

constexpr std::int32_t kInt32Low = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32High = std::numeric_limits<std::int32_t>::max();

Session Parse(const QJsonObject& root) {
  if (Field(root, "format").toString() != kFormat || WholeOf(Field(root, "version"), 1, kInt32High) > kSessionVersion) {
    throw NotASession{};
  }
  Session s;
  const QJsonObject picture = ObjectOf(Field(root, "picture"));
  s.picture = QSize(WholeOf(Field(picture, "width"), 1, kInt32High), WholeOf(Field(picture, "height"), 1, kInt32High));
  const QJsonObject straightening = ObjectOf(Field(picture, "straightening"));
  const QJsonValue onImport = Field(straightening, "onImport");
  if (!onImport.isNull()) {
    s.importLean = FiniteOf(onImport);
  }
  // Each is a turn of the whole picture when the session opens: a bound keeps that short.
  const QJsonValue byHand = Field(straightening, "byHand");
  if (!byHand.isArray() || byHand.toArray().size() > kMostHandLeans) {
    throw NotASession{};
  }
  for (const QJsonValue lean : byHand.toArray()) {
    s.handLeans.push_back(FiniteOf(lean));
  }
  s.ohmScale = ValueOf(kOhmScales, Field(root, "ohmScale"));
  const QJsonObject references = ObjectOf(Field(root, "references"));
  for (std::size_t i = 0; i < s.references.size(); ++i) {
    const QJsonObject reference = ObjectOf(Field(references, kReferenceNames[i]));
    s.references[i] = {ValueOf(kReferenceStates, Field(reference, "state")), FiniteOf(Field(reference, "value")),
                       FiniteOf(Field(reference, "place"))};
  }
  const QJsonObject options = ObjectOf(Field(root, "traceOptions"));
  s.useTraceLimits = BoolOf(Field(options, "useTraceLimits"));
  s.traceStartFreq = WholeOf(Field(options, "startFrequency"), kInt32Low, kInt32High);
  s.traceStopFreq = WholeOf(Field(options, "stopFrequency"), kInt32Low, kInt32High);
  s.tracePointLimit = WholeOf(Field(options, "pointCount"), 1, kLargestSessionPoints - 1);

  const QJsonObject trace = ObjectOf(Field(root, "trace"));
  const QString kind = Field(trace, "kind").toString();
  if (kind != QLatin1String("spl") && kind != QLatin1String("impedance")) {
    throw NotASession{};
  }
  s.impedance = kind == QLatin1String("impedance");
  s.state = ValueOf(kTraceStates, Field(trace, "state"));
  s.unsaved = BoolOf(Field(trace, "unsaved"));
  s.atEnd = BoolOf(Field(trace, "atEnd"));
  s.markerColumn = FiniteOf(Field(trace, "markerColumn"));
  s.lineColumn = FiniteOf(Field(trace, "lineColumn"));
  s.lineHeight = FiniteOf(Field(trace, "lineHeight"));
  s.startLog = FiniteOf(Field(trace, "startLog10"));
  s.logStep = FiniteOf(Field(trace, "logStep"));
  s.stepNumber = WholeOf(Field(trace, "step"), 0, kLargestSessionPoints);
  const QJsonObject readout = ObjectOf(Field(trace, "readout"));
  s.readFrequency = SingleOf(Field(readout, "frequency"));
  s.readLevel = SingleOf(Field(readout, "level"));
  s.readImpedance = SingleOf(Field(readout, "impedance"));
  const QJsonValue curve = Field(trace, "curve");
  if (!curve.isNull()) {
    const QJsonObject c = ObjectOf(curve);
    const QJsonArray onCurve = ArrayOf(Field(c, "onCurve"), 2);
    CurveStyle style;
    style.colour = ColourOf(Field(c, "colour"));
    style.background = ColourOf(Field(c, "background"));
    style.tolerance = FiniteOf(Field(c, "tolerance"));
    style.thickness = FiniteOf(Field(c, "thickness"));
    // What the pick measured of the stroke besides (sessions written before it was measured keep
    // the defaults).
    if (c.contains(QLatin1String("darkest"))) {
      style.darkest = FiniteOf(Field(c, "darkest"));
    }
    if (c.contains(QLatin1String("fringe"))) {
      style.fringe = WholeOf(Field(c, "fringe"), 0, 64);
    }
    if (c.contains(QLatin1String("aliased"))) {
      style.aliased = BoolOf(Field(c, "aliased"));
    }
    s.curve = CurvePick{style, QPointF(FiniteOf(onCurve[0]), FiniteOf(onCurve[1]))};
    s.pickedAt = WholeOf(Field(c, "pickedAt"), 0, kLargestSessionPoints);
  }

  const QJsonObject points = ObjectOf(Field(root, "points"));
  const std::int32_t count = WholeOf(Field(points, "count"), 0, kLargestSessionPoints);
  const QJsonArray frequency = ArrayOf(Field(points, "frequency"), count);
  const QJsonArray level = ArrayOf(Field(points, "level"), count);
  const QJsonArray impedance = ArrayOf(Field(points, "impedance"), count);
  const QJsonArray x = ArrayOf(Field(points, "x"), count);
  const QJsonArray y = ArrayOf(Field(points, "y"), count);
  const QJsonArray step = ArrayOf(Field(points, "step"), count);
  s.points.resize(static_cast<std::size_t>(count));
  for (qsizetype k = 0; k < count; ++k) {
    s.points[static_cast<std::size_t>(k)] = {SingleOf(frequency[k]), SingleOf(level[k]), SingleOf(impedance[k]),
                                             QPointF(FiniteOf(x[k]), FiniteOf(y[k])),
                                             WholeOf(step[k], 0, kLargestSessionPoints)};
  }
  return s;
}

}  // namespace

QByteArray SessionJson(const Session& s) {
  QJsonObject references;
  for (std::size_t i = 0; i < s.references.size(); ++i) {
    const SessionReference& r = s.references[i];
    references.insert(
        QLatin1String(kReferenceNames[i]),
        QJsonObject{{"state", NameOf(kReferenceStates, r.state)}, {"value", r.value}, {"place", r.place}});
  }
  QJsonArray byHand;
  for (const double lean : s.handLeans) {
    byHand.append(lean);
  }
  QJsonValue curve(QJsonValue::Null);
  if (s.curve) {
    const CurveStyle& style = s.curve->style;
    curve = QJsonObject{{"colour", ColourText(style.colour)},
                        {"background", ColourText(style.background)},
                        {"tolerance", style.tolerance},
                        {"thickness", style.thickness},
                        {"darkest", style.darkest},
                        {"fringe", style.fringe},
                        {"aliased", style.aliased},
                        {"onCurve", QJsonArray{s.curve->onCurve.x(), s.curve->onCurve.y()}},
                        {"pickedAt", s.pickedAt}};
  }
  QJsonArray frequency;
  QJsonArray level;
  QJsonArray impedance;
  QJsonArray x;
  QJsonArray y;
  QJsonArray step;
  for (const SessionPoint& p : s.points) {
    // A float is written as the double it equals, which reads back to it exactly.
    frequency.append(static_cast<double>(p.frequency));
    level.append(static_cast<double>(p.level));
    impedance.append(static_cast<double>(p.impedance));
    x.append(p.place.x());
    y.append(p.place.y());
    step.append(p.step);
  }
  const QJsonObject root{
      {"format", kFormat},
      {"version", kSessionVersion},
      {"picture", QJsonObject{{"width", s.picture.width()},
                              {"height", s.picture.height()},
                              {"straightening", QJsonObject{{"onImport", s.importLean ? QJsonValue(*s.importLean)
                                                                                      : QJsonValue(QJsonValue::Null)},
                                                            {"byHand", byHand}}}}},
      {"ohmScale", NameOf(kOhmScales, s.ohmScale)},
      {"references", references},
      {"traceOptions", QJsonObject{{"useTraceLimits", s.useTraceLimits},
                                   {"startFrequency", s.traceStartFreq},
                                   {"stopFrequency", s.traceStopFreq},
                                   {"pointCount", s.tracePointLimit}}},
      {"trace", QJsonObject{{"kind", s.impedance ? "impedance" : "spl"},
                            {"state", NameOf(kTraceStates, s.state)},
                            {"unsaved", s.unsaved},
                            {"atEnd", s.atEnd},
                            {"markerColumn", s.markerColumn},
                            {"lineColumn", s.lineColumn},
                            {"lineHeight", s.lineHeight},
                            {"startLog10", s.startLog},
                            {"logStep", s.logStep},
                            {"step", s.stepNumber},
                            {"readout", QJsonObject{{"frequency", static_cast<double>(s.readFrequency)},
                                                    {"level", static_cast<double>(s.readLevel)},
                                                    {"impedance", static_cast<double>(s.readImpedance)}}},
                            {"curve", curve}}},
      {"points", QJsonObject{{"count", static_cast<qint64>(s.points.size())},
                             {"frequency", frequency},
                             {"level", level},
                             {"impedance", impedance},
                             {"x", x},
                             {"y", y},
                             {"step", step}}},
  };
  return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<Session> ParseSessionJson(const QByteArray& json) {
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(json, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) {
    return std::nullopt;
  }
  try {
    return Parse(document.object());
  } catch (const NotASession&) {
    return std::nullopt;
  }
}

std::optional<QByteArray> JoinSessionFile(const QByteArray& picturePng, const Session& session) {
  const std::optional<std::vector<PngChunkSpan>> chunks = ReadPngChunks(picturePng);
  if (!chunks) {
    return std::nullopt;
  }
  const QByteArray sessionChunk = MakePngChunk("iTXt", CompressedTextData(kKeyword, SessionJson(session)));
  QByteArray file;
  file.reserve(picturePng.size() + sessionChunk.size());
  file.append(picturePng.left(chunks->front().start));  // the signature
  for (const PngChunkSpan& chunk : *chunks) {
    // A session chunk of the picture's own (it came from a session) gives way to the new one.
    const QByteArrayView data = ChunkData(picturePng, chunk);
    if (chunk.type == "iTXt" && data.startsWith(kKeyword) && data.size() > kKeyword.size() &&
        data[kKeyword.size()] == '\0') {
      continue;
    }
    file.append(QByteArrayView(picturePng).sliced(chunk.start, chunk.dataSize + 12));
    if (chunk.type == "IHDR") {
      file.append(sessionChunk);
    }
  }
  return file;
}

std::optional<Session> ReadSessionFile(const QByteArray& file, int largest) {
  const std::optional<std::vector<PngChunkSpan>> chunks = ReadPngChunks(file);
  if (!chunks) {
    return std::nullopt;
  }
  const QSize size = PngSize(file, *chunks);
  if (size.width() < 1 || size.height() < 1 || size.width() > largest || size.height() > largest) {
    return std::nullopt;
  }
  std::optional<Session> session;
  for (const PngChunkSpan& chunk : *chunks) {
    if (chunk.type == "IDAT") {
      break;
    }
    if (chunk.type != "iTXt") {
      continue;
    }
    const std::optional<QByteArray> text = ReadCompressedText(ChunkData(file, chunk), kKeyword, kLargestText);
    if (!text) {
      continue;
    }
    if (session) {
      return std::nullopt;  // two sessions: which one?
    }
    session = ParseSessionJson(*text);
    if (!session) {
      return std::nullopt;
    }
  }
  if (!session || session->picture != size) {
    return std::nullopt;
  }
  return session;
}

bool StartsLikeSession(const QByteArray& head) {
  // The signature (8 bytes), IHDR (25), then the session chunk's length and type, and its keyword.
  constexpr qsizetype kAfterHeader = 8 + 25;
  return head.startsWith("\x89PNG\r\n\x1a\n") && head.mid(12, 4) == "IHDR" && head.mid(kAfterHeader + 4, 4) == "iTXt" &&
         head.mid(kAfterHeader + 8, kKeyword.size() + 1) == kKeyword + QByteArray(1, '\0');
}

}  // namespace tracer
