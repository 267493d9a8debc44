// The preview of a filter list fitted to a channel: the file's response and the fitted one drawn
// over each other, the residual below, the filters that were dropped, and Apply / Cancel.
#pragma once

#include <QDialog>
#include <cstddef>

#include "eqfile/channel_fit.h"

class QChart;

namespace vt::ui {

// The dropped lines listed at most; the rest are counted.
inline constexpr std::size_t kShownDropped = 200;

class FilterImportDialog : public QDialog {
    Q_OBJECT
  public:
    FilterImportDialog(const eqfile::ChannelFit& fit, const QString& fileName,
                       QWidget* parent = nullptr);
};

}  // namespace vt::ui
