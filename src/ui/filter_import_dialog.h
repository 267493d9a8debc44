// The preview of a filter list fitted to a channel: the file's response and the fitted one drawn
// over each other, the residual below, the filters that were dropped, and Apply / Cancel.
#pragma once

#include <QDialog>

#include "eqfile/channel_fit.h"

class QChart;

namespace vt::ui {

class FilterImportDialog : public QDialog {
    Q_OBJECT
  public:
    FilterImportDialog(const eqfile::ChannelFit& fit, const QString& fileName,
                       QWidget* parent = nullptr);
};

}  // namespace vt::ui
