#include "TesseractReader.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <omp.h>

#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "numbers.h"

namespace tracer {

namespace {

// The text heights (pixels) at which pictures are read at a first look, and at a closer one.
const std::vector<int> kFirstLook{20};
const std::vector<int> kCloserLook{16, 12};

const char kNumberCharacters[] = "0123456789.,-+kKeE";
const char kExponentCharacters[] = "0123456789";

// Catmull-Rom weights of the four source pixels around a point t (0 <= t < 1) past the second.
std::array<double, 4> CubicWeights(double t) {
  const double t2 = t * t;
  const double t3 = t2 * t;
  return {(-t3 + 2 * t2 - t) / 2, (3 * t3 - 5 * t2 + 2) / 2, (-3 * t3 + 4 * t2 + t) / 2, (t3 - t2) / 2};
}

// A grey picture enlarged by bicubic interpolation, which keeps a few pixels' glyph sharper than
// bilinear interpolation does (the engine reads a tiny exponent far better so); a picture made
// smaller is averaged as usual.
QImage Scaled(const QImage& picture, int width, int height) {
  const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
  if (width < grey.width() || height < grey.height()) {
    return grey.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  // Source place of a target pixel's centre: s = (t + 0.5) * from / to - 0.5.
  const auto taps = [](int to, int from) {
    std::vector<std::pair<int, std::array<double, 4>>> result;
    for (int t = 0; t < to; ++t) {
      const double s = (t + 0.5) * from / to - 0.5;
      const double first = std::floor(s);
      result.emplace_back(platform::RoundToInt32(first) - 1, CubicWeights(s - first));
    }
    return result;
  };
  const auto columns = taps(width, grey.width());
  const auto rows = taps(height, grey.height());
  const auto at = [&grey](int x, int y) {
    return double(grey.constScanLine(std::clamp(y, 0, grey.height() - 1))[std::clamp(x, 0, grey.width() - 1)]);
  };
  // Across first, then down.
  std::vector<double> across(std::size_t(width) * std::size_t(grey.height()));
  for (int y = 0; y < grey.height(); ++y) {
    for (int x = 0; x < width; ++x) {
      const auto& [first, w] = columns[std::size_t(x)];
      double v = 0;
      for (int k = 0; k < 4; ++k) {
        v += w[std::size_t(k)] * at(first + k, y);
      }
      across[std::size_t(y) * std::size_t(width) + std::size_t(x)] = v;
    }
  }
  QImage scaled(width, height, QImage::Format_Grayscale8);
  for (int y = 0; y < height; ++y) {
    const auto& [first, w] = rows[std::size_t(y)];
    uchar* line = scaled.scanLine(y);
    for (int x = 0; x < width; ++x) {
      double v = 0;
      for (int k = 0; k < 4; ++k) {
        const int sy = std::clamp(first + k, 0, grey.height() - 1);
        v += w[std::size_t(k)] * across[std::size_t(sy) * std::size_t(width) + std::size_t(x)];
      }
      line[x] = uchar(std::clamp(platform::RoundToInt32(v), 0, 255));
    }
  }
  return scaled;
}

// The pictures scaled to the text height `height`, side by side on one white line; `spans`
// receives the stretch of the line that belongs to each picture (gaps shared half and half).
QImage Line(const std::vector<QImage>& pictures, int height, std::vector<std::pair<int, int>>& spans) {
  const int gap = height;
  const int margin = height / 2;
  std::vector<QImage> scaled;
  int width = margin;
  for (const QImage& picture : pictures) {
    QImage s;
    if (!picture.isNull() && picture.height() > 0) {
      const int w = std::max(1, platform::RoundToInt32(picture.width() * double(height) / picture.height()));
      s = Scaled(picture, w, height);
    }
    width += (s.isNull() ? 1 : s.width()) + gap;
    scaled.push_back(std::move(s));
  }
  width += margin - gap;
  QImage line(std::max(width, 1), height + 2 * margin, QImage::Format_Grayscale8);
  line.fill(255);
  QPainter painter(&line);
  int x = margin;
  spans.clear();
  for (const QImage& s : scaled) {
    const int w = s.isNull() ? 1 : s.width();
    if (!s.isNull()) {
      painter.drawImage(x, margin, s);
    }
    spans.emplace_back(x - gap / 2, x + w + gap / 2);
    x += w + gap;
  }
  return line;
}

}  // namespace

TesseractReader::TesseractReader() : api_(std::make_unique<tesseract::TessBaseAPI>()) {}

TesseractReader::~TesseractReader() {
  if (api_) {
    api_->End();
  }
}

std::unique_ptr<TesseractReader> TesseractReader::Start() {
  // The engine's model runs its layers in parallel through OpenMP, with more threads than this
  // machine may have cores free; on a busy one the waiting threads slow a reading tenfold. Labels
  // are read in one short pass: one thread does it best.
  omp_set_max_active_levels(0);
  std::unique_ptr<TesseractReader> reader(new TesseractReader());
  // Without the word lists: labels are numbers and units, not words of English prose.
  std::vector<std::string> names{"load_system_dawg", "load_freq_dawg",    "load_punc_dawg",
                                 "load_number_dawg", "load_unambig_dawg", "load_bigram_dawg"};
  std::vector<std::string> values(names.size(), "0");
  if (reader->api_->Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values, false) != 0) {
    return nullptr;
  }
  reader->api_->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
  reader->api_->SetVariable("user_defined_dpi", "300");
  reader->api_->SetVariable("debug_file", "/dev/null");
  return reader;
}

std::vector<QStringList> TesseractReader::Read(const std::vector<QImage>& pictures, TextKind kind, bool closer) {
  std::vector<QStringList> readings(pictures.size());
  if (pictures.empty()) {
    return readings;
  }
  api_->SetVariable("tessedit_char_whitelist", kind == TextKind::kNumber     ? kNumberCharacters
                                               : kind == TextKind::kExponent ? kExponentCharacters
                                                                             : "");
  const auto add = [&readings](std::size_t i, const QString& text) {
    if (!text.isEmpty() && !readings[i].contains(text)) {
      readings[i].append(text);
    }
  };
  for (const int height : closer ? kCloserLook : kFirstLook) {
    if (kind == TextKind::kExponent) {
      // An exponent is a glyph or two: read beside others, it is taken for a part of their text.
      for (std::size_t i = 0; i < pictures.size(); ++i) {
        add(i, ReadLine({pictures[i]}, height)[0]);
      }
    } else {
      const std::vector<QString> line = ReadLine(pictures, height);
      for (std::size_t i = 0; i < pictures.size(); ++i) {
        add(i, line[i]);
      }
    }
  }
  if (closer && kind == TextKind::kNumber) {
    // And each on its own: the text beside may lead the engine astray on a blurred line.
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      add(i, ReadLine({pictures[i]}, kFirstLook[0])[0]);
    }
  }
  api_->Clear();
  return readings;
}

std::vector<QString> TesseractReader::ReadLine(const std::vector<QImage>& pictures, int height) {
  std::vector<QString> texts(pictures.size());
  std::vector<std::pair<int, int>> spans;
  const QImage line = Line(pictures, height, spans);
  api_->SetImage(line.constBits(), line.width(), line.height(), 1, int(line.bytesPerLine()));
  if (api_->Recognize(nullptr) != 0) {
    return texts;
  }
  std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
  if (it) {
    do {
      const std::unique_ptr<const char[]> symbol(it->GetUTF8Text(tesseract::RIL_SYMBOL));
      int left = 0, top = 0, right = 0, bottom = 0;
      if (!symbol || !it->BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom)) {
        continue;
      }
      const int middle = (left + right) / 2;
      for (std::size_t i = 0; i < spans.size(); ++i) {
        if (middle >= spans[i].first && middle < spans[i].second) {
          // A gap between words within one picture ("20 k") is kept as a blank.
          if (!texts[i].isEmpty() && it->IsAtBeginningOf(tesseract::RIL_WORD)) {
            texts[i] += QLatin1Char(' ');
          }
          texts[i] += QString::fromUtf8(symbol.get());
          break;
        }
      }
    } while (it->Next(tesseract::RIL_SYMBOL));
  }
  for (QString& text : texts) {
    text = text.trimmed();
  }
  return texts;
}

}  // namespace tracer
