// The tracer window's Auto Register: the axes registered from the picture's own tick labels, into
// the same state that the registration by hand leaves (values, their logarithms or scaled
// impedances, the items' Tags and check marks, the lines where the labelled lines are, the ohm
// scale), so that the readout, tracing and a later registration by hand go on unchanged.
#include <QAction>
#include <QStringList>

#include "Form1.h"

namespace tracer {

namespace {

QString Number(double value) { return QString::number(value, 'g', 6); }

QString FrequencyText(double hz) {
  return hz >= 1000 ? Number(hz / 1000) + QStringLiteral(" kHz") : Number(hz) + QStringLiteral(" Hz");
}

// "frequency 20 Hz and 20 kHz", or "frequency not found".
QString Said(const QString& quantity, const std::optional<AxisFound>& axis, const QString& unit) {
  if (!axis) {
    return quantity + QStringLiteral(" not found");
  }
  const auto text = [&unit](double value) {
    return unit.isEmpty() ? FrequencyText(value) : Number(value) + QLatin1Char(' ') + unit;
  };
  return quantity + QLatin1Char(' ') + text(axis->low.value) + QStringLiteral(" and ") + text(axis->high.value);
}

bool Names(const SideFound& side, SideUnit unit) { return side.labelled && side.unit == unit; }

}  // namespace

void Form1::RegisterOnLine(const Reference& reference, const LabelledLine& line) {
  const QPointF at = FromPicture(QPointF(line.position, line.position));
  PlaceReference(reference, static_cast<float>(reference.vertical ? at.x() : at.y()));
  // Its place on the picture as measured, not through whole twips.
  places_.references.at(static_cast<std::size_t>(&reference - references_.data())) = line.position;
  this->*reference.value = line.value;
  if (reference.derived != nullptr) {
    this->*reference.derived =
        reference.impedance ? ScaleOhmValue(line.value, CheckedOhmScale()) : LogBase10(line.value);
  }
  SetTag(reference.item, QStringLiteral("2"));
  reference.item->setChecked(true);
  reference.line->SetVisible(true);
}

void Form1::mnuAutoRegister_Click() {
  try {
    if (!isGraphImported) {
      services_.messageBox.Show(kImportFirst, platform::MessageButtons::kOk, kTitle);
      return;
    }
    if (!textReader_ && StartTextReader) {
      textReader_ = StartTextReader();
    }
    if (!textReader_) {
      services_.messageBox.Show(
          QStringLiteral("Auto Register reads the axis labels with Tesseract and its English model "
                         "(tesseract-ocr-eng), which could not be started."),
          platform::MessageButtons::kOk, kTitle);
      return;
    }
    const QImage& picture = Graph[1]->Picture();
    const AxesFound axes = FindAxes(picture, PictureLines(), *textReader_);
    std::optional<bool> impedance;
    if (NeedsUnitQuestion(axes)) {
      impedance = services_.messageBox.Show(QStringLiteral("Is the vertical axis an impedance in ohms?"),
                                            platform::MessageButtons::kYesNo, kTitle) == platform::MessageResult::kYes;
    }
    const VerticalAxes vertical = ChooseVerticalAxes(axes, impedance);

    // Everything registered before is replaced, whatever is found now.
    for (const Reference& reference : references_) {
      Unregister(reference);
    }
    if (!axes.labelled) {
      StatusBar->SetPanelText(4, QStringLiteral("Auto Register: no axis labels could be read, nothing registered"));
      return;
    }
    if (axes.frequency) {
      RegisterOnLine(references_[0], axes.frequency->low);
      RegisterOnLine(references_[1], axes.frequency->high);
    }
    if (vertical.amplitude) {
      RegisterOnLine(references_[2], vertical.amplitude->low);
      RegisterOnLine(references_[3], vertical.amplitude->high);
    }
    if (vertical.impedance) {
      SetOhmScale(vertical.impedance->kind == ScaleKind::kLogarithmic ? mnuOhmScale10 : mnuOhmScale1);
      RegisterOnLine(references_[4], vertical.impedance->low);
      RegisterOnLine(references_[5], vertical.impedance->high);
    }
    QStringList said{Said(QStringLiteral("frequency"), axes.frequency, QString())};
    // The vertical quantities that were found, or that the picture names; at least the amplitude.
    const bool namesOhm =
        Names(axes.left, SideUnit::kOhm) || Names(axes.right, SideUnit::kOhm) || (impedance.has_value() && *impedance);
    const bool namesDecibel = Names(axes.left, SideUnit::kDecibel) || Names(axes.right, SideUnit::kDecibel);
    if (vertical.amplitude || namesDecibel || !(vertical.impedance || namesOhm)) {
      said.append(Said(QStringLiteral("amplitude"), vertical.amplitude, QStringLiteral("dB")));
    }
    if (vertical.impedance || namesOhm) {
      said.append(Said(QStringLiteral("impedance"), vertical.impedance, QStringLiteral("ohm")));
    }
    StatusBar->SetPanelText(4, QStringLiteral("Auto Register: ") + said.join(QStringLiteral(", ")));
  } catch (const std::exception&) {
  }
}

}  // namespace tracer
