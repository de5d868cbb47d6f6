#include "TesseractReader.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <omp.h>

#include <QPainter>
#include <algorithm>
#include <string>

#include "numbers.h"

namespace tracer {

namespace {

// The text heights (pixels) at which pictures are read at a first look, and at a closer one.
const std::vector<int> kFirstLook{20};
const std::vector<int> kCloserLook{16, 12};

const char kNumberCharacters[] = "0123456789.,-+kKeE";

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
      s = picture.convertToFormat(QImage::Format_Grayscale8)
              .scaled(w, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
  api_->SetVariable("tessedit_char_whitelist", kind == TextKind::kNumber ? kNumberCharacters : "");
  for (const int height : closer ? kCloserLook : kFirstLook) {
    std::vector<std::pair<int, int>> spans;
    const QImage line = Line(pictures, height, spans);
    api_->SetImage(line.constBits(), line.width(), line.height(), 1, int(line.bytesPerLine()));
    if (api_->Recognize(nullptr) != 0) {
      continue;
    }
    std::vector<QString> texts(pictures.size());
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
    for (std::size_t i = 0; i < texts.size(); ++i) {
      const QString text = texts[i].trimmed();
      if (!text.isEmpty() && !readings[i].contains(text)) {
        readings[i].append(text);
      }
    }
  }
  api_->Clear();
  return readings;
}

}  // namespace tracer
