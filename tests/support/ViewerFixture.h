// A started viewer window on scripted platform fakes, and small builders of data sets.
#pragma once

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "Fakes.h"
#include "GlobalVariables.h"
#include "frmMain.h"

namespace fakes {

inline const QString kFixtures = QStringLiteral(FIXTURES_DIR "/");

struct Viewer {
  viewer::GlobalVariables g;
  Services services;
  std::unique_ptr<viewer::frmMain> window;

  Viewer() : window(std::make_unique<viewer::frmMain>(g, services.Get())) { window->Form_Load(); }

  QString Status() const { return window->StatusBar->PanelText(1); }
  // Opens `path` through the file dialog (no path: the dialog is cancelled).
  void Open(bool impedance, const std::optional<QString>& path) {
    services.fileDialog.answers.push_back(path);
    impedance ? window->mnuOpenImpedance_Click() : window->mnuOpenSpl_Click();
  }
  void SaveAs(const std::optional<QString>& path) {
    services.fileDialog.answers.push_back(path);
    window->mnuSaveAs_Click();
  }
  // Gives the frame a size in twips and runs its layout, as a resize of the window would.
  void Frame(int width, int height) {
    window->pctFrame->Move(120, 120, width, height);
    window->pctFrame_Resize();
  }
};

// A set of the given (frequency, magnitude, phase) points, with its summary rows.
inline data::ResponseSet SetOf(const std::vector<std::array<double, 3>>& points) {
  data::ResponseSet set;
  set.ResetSummary(99999, -99999);
  for (const auto& p : points) {
    set.Resize(set.LastIndex() + 1);
    set[set.LastIndex()].value = {p[0], p[1], p[2]};
    set.IncludeInSummary(set[set.LastIndex()]);
  }
  return set;
}

}  // namespace fakes
