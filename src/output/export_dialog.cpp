#include "output/export_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>

#include "common/messages.h"
#include "output/export_file.h"

namespace vantor {
namespace {

constexpr int kMaxExportDpi = 20000;


QString with_extension(const QString& path, FileFormat format) {
  const QFileInfo info(path);
  QString base = info.completeBaseName();
  if (base.isEmpty()) base = info.fileName();
  return QDir(info.path()).filePath(base + QLatin1Char('.') + export_extension(format));
}

}  // namespace

QString export_extension(FileFormat format) {
  const std::string_view ext = format_info(format).extension;
  return QString::fromLatin1(ext.data(), static_cast<qsizetype>(ext.size()));
}

ExportDialog::ExportDialog(QWidget* parent, const ExportDialogState& state, ExportReport report)
    : QDialog(parent), report_(std::move(report)), folder_(state.folder), offers_inverse_(state.offers_inverse) {
  setWindowTitle(QStringLiteral("Export"));
  auto* form = new QFormLayout;

  format_ = new QComboBox;
  for (const FileFormatInfo& f : file_formats())
    if (!f.code_table || state.offers_code_table)
      format_->addItem(QStringLiteral("%1 (*.%2)").arg(qtext(f.name), export_extension(f.format)), static_cast<int>(f.format));
  form->addRow(QStringLiteral("&Format:"), format_);

  dpi_ = new QSpinBox;
  dpi_->setRange(1, kMaxExportDpi);
  dpi_->setSuffix(QStringLiteral(" per inch"));
  dpi_->setToolTip(QStringLiteral("The pixels of a BMP, PNG or TIFF file; in vector files the width of the one-pixel "
                                  "outlines; the report checks the smallest feature against this pixel."));
  form->addRow(QStringLiteral("&Resolution:"), dpi_);

  crop_ = new QCheckBox(QStringLiteral("&Crop to the disc (1 % margin)"));
  form->addRow(QString(), crop_);
  inverse_ = new QCheckBox(QStringLiteral("&Inverse drawing"));
  inverse_->setVisible(state.offers_inverse);
  if (state.offers_inverse) form->addRow(QString(), inverse_);
  mirror_ = new QCheckBox(QStringLiteral("&Mirror, emulsion side down"));
  form->addRow(QStringLiteral("Film:"), mirror_);
  negative_ = new QCheckBox(QStringLiteral("&Negative (black and white exchanged)"));
  form->addRow(QString(), negative_);
  marks_ = new QCheckBox(QStringLiteral("&Assembly aids: centre target, cut line, scale bar, title"));
  marks_->setToolTip(QStringLiteral("At true size, outside the disc: no pixel inside the disc changes."));
  form->addRow(QStringLiteral("Marks:"), marks_);
  target_in_hole_ = new QCheckBox(QStringLiteral("Centre target in the shaft &hole too"));
  form->addRow(QString(), target_in_hole_);

  process_ = new QComboBox;
  process_->setObjectName(QStringLiteral("Process"));
  process_->addItem(QStringLiteral("None (no check)"), -1);
  for (const ProcessPreset& p : process_presets())
    process_->addItem(QStringLiteral("%1, %2").arg(qtext(p.name), qtext(p.title)), static_cast<int>(p.kind));
  figures_ = new QLineEdit;
  figures_->setObjectName(QStringLiteral("ProcessFigures"));
  figures_->setToolTip(QStringLiteral("The process's figures, KEY=VALUE separated by commas (micrometres, or dots "
                                      "per inch for dpi); the report checks the design against them."));
  auto* process_row = new QHBoxLayout;
  process_row->addWidget(process_);
  process_row->addWidget(figures_, 1);
  auto* process_label = new QLabel(QStringLiteral("&Process:"));
  process_label->setBuddy(process_);
  form->addRow(process_label, process_row);
  bias_ = new QDoubleSpinBox;
  bias_->setObjectName(QStringLiteral("Bias"));
  bias_->setRange(-10000, 10000);
  bias_->setDecimals(1);
  bias_->setSuffix(QStringLiteral(" \u00b5m"));
  bias_->setToolTip(QStringLiteral("Edge compensation: every edge of the slots and the shaft hole moved outward "
                                   "(negative: inward) in the file; a process proposes one."));
  form->addRow(QStringLiteral("&Bias:"), bias_);

  path_ = new QLineEdit;
  path_->setMinimumWidth(360);
  auto* browse = new QPushButton(QStringLiteral("&Browse…"));
  // Enter exports, even after Browse… has had the focus.
  browse->setAutoDefault(false);
  auto* file_row = new QHBoxLayout;
  file_row->addWidget(path_, 1);
  file_row->addWidget(browse);
  // A row of a layout has no buddy of its own for the label's shortcut.
  auto* file_label = new QLabel(QStringLiteral("Fi&le:"));
  file_label->setBuddy(path_);
  form->addRow(file_label, file_row);

  auto* note = new QLabel(
      QStringLiteral("The design is exported as its fields read now, drawn afresh as \"%1\" draws it; "
                     "touch-up on the picture is not part of the export.")
          .arg(state.drawn_by));
  note->setWordWrap(true);

  report_view_ = new QPlainTextEdit;
  report_view_->setReadOnly(true);
  report_view_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  report_view_->setLineWrapMode(QPlainTextEdit::NoWrap);
  report_view_->setMinimumSize(760, 300);

  auto* buttons = new QDialogButtonBox;
  buttons->addButton(QStringLiteral("&Export"), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(QDialogButtonBox::Cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(new QLabel(QStringLiteral("Design report:")));
  layout->addWidget(report_view_, 1);
  layout->addWidget(buttons);

  set_choice(state.choice);
  if (state.choice.path.isEmpty())
    path_->setText(QDir(state.folder).filePath(state.base_name + QLatin1Char('.') +
                                               export_extension(state.choice.format)));

  // The report follows the resolution and polarity once they rest.
  auto* timer = new QTimer(this);
  timer->setSingleShot(true);
  timer->setInterval(150);
  connect(timer, &QTimer::timeout, this, &ExportDialog::update_report);
  connect(dpi_, &QSpinBox::valueChanged, timer, qOverload<>(&QTimer::start));
  connect(inverse_, &QCheckBox::toggled, timer, qOverload<>(&QTimer::start));
  connect(mirror_, &QCheckBox::toggled, timer, qOverload<>(&QTimer::start));
  connect(negative_, &QCheckBox::toggled, timer, qOverload<>(&QTimer::start));
  connect(figures_, &QLineEdit::textChanged, timer, qOverload<>(&QTimer::start));
  connect(bias_, &QDoubleSpinBox::valueChanged, timer, qOverload<>(&QTimer::start));
  connect(process_, &QComboBox::activated, this, &ExportDialog::process_changed);
  // The other polarity changes the proposal of a process that spreads the
  // dark, unless the bias was edited.
  connect(inverse_, &QCheckBox::toggled, this, [this](bool inverse) {
    const auto chosen = process();
    const auto* p = std::get_if<std::optional<Process>>(&chosen);
    if (p && *p && bias_->value() == proposed_bias(**p, !inverse)) bias_->setValue(proposed_bias(**p, inverse));
  });
  connect(marks_, &QCheckBox::toggled, this, &ExportDialog::enable_options);
  connect(format_, &QComboBox::currentIndexChanged, this, &ExportDialog::format_changed);
  connect(browse, &QPushButton::clicked, this, &ExportDialog::browse);
  connect(buttons, &QDialogButtonBox::accepted, this, &ExportDialog::accept_if_sure);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  update_report();
}

void ExportDialog::set_choice(const ExportChoice& c) {
  format_->setCurrentIndex(std::max(0, format_->findData(static_cast<int>(c.format))));
  dpi_->setValue(c.dpi);
  crop_->setChecked(c.crop);
  inverse_->setChecked(c.inverse);
  mirror_->setChecked(c.mirror);
  negative_->setChecked(c.negative);
  process_->setCurrentIndex(std::max(0, process_->findData(c.process ? static_cast<int>(c.process->kind) : -1)));
  figures_->setText(c.process ? QString::fromStdString(figures_text(*c.process)) : QString());
  figures_->setEnabled(c.process.has_value());
  bias_->setValue(c.bias_um);
  marks_->setChecked(c.marks);
  target_in_hole_->setChecked(c.target_in_hole);
  path_->setText(c.path);
  enable_options();
}

// The film options apply to every artwork format; a code table has no
// picture.
void ExportDialog::enable_options() {
  const FileFormatInfo& f = format_info(static_cast<FileFormat>(format_->currentData().toInt()));
  mirror_->setEnabled(!f.code_table);
  negative_->setEnabled(!f.code_table);
  dpi_->setEnabled(!f.code_table);
  crop_->setEnabled(!f.code_table);
  marks_->setEnabled(!f.code_table);
  target_in_hole_->setEnabled(!f.code_table && marks_->isChecked());
}

ExportChoice ExportDialog::choice() const {
  ExportChoice c;
  c.format = static_cast<FileFormat>(format_->currentData().toInt());
  c.dpi = dpi_->value();
  c.crop = crop_->isChecked();
  c.inverse = offers_inverse_ && inverse_->isChecked();
  const bool artwork = !format_info(c.format).code_table;
  c.mirror = artwork && mirror_->isChecked();
  c.negative = artwork && negative_->isChecked();
  auto chosen = process();
  if (auto* p = std::get_if<std::optional<Process>>(&chosen)) c.process = *p;
  c.bias_um = bias_->value();
  c.marks = !format_info(c.format).code_table && marks_->isChecked();
  c.target_in_hole = c.marks && target_in_hole_->isChecked();
  const QString typed = path_->text().trimmed();
  c.path = typed.isEmpty() ? QString() : QFileInfo(QDir(folder_), typed).absoluteFilePath();
  return c;
}

std::variant<std::optional<Process>, std::string> ExportDialog::process() const {
  const int kind = process_->currentData().toInt();
  if (kind < 0) return std::optional<Process>();
  auto read = process_with_figures(static_cast<ProcessKind>(kind), figures_->text().toStdString());
  if (auto* why = std::get_if<std::string>(&read)) return std::move(*why);
  return std::optional<Process>(std::get<Process>(read));
}

// A process chosen brings its own figures and proposes its bias.
void ExportDialog::process_changed() {
  const int kind = process_->currentData().toInt();
  figures_->setEnabled(kind >= 0);
  if (kind < 0) {
    figures_->clear();
    update_report();
    return;
  }
  const Process p = std::get<Process>(process_with_figures(static_cast<ProcessKind>(kind), {}));
  figures_->setText(QString::fromStdString(figures_text(p)));
  bias_->setValue(proposed_bias(p, inverse_->isChecked()));
  update_report();
}

void ExportDialog::format_changed() {
  enable_options();
  update_report();
  if (!path_->text().trimmed().isEmpty())
    path_->setText(with_extension(path_->text().trimmed(), choice().format));
}

void ExportDialog::browse() {
  const ExportChoice c = choice();
  const QString ext = export_extension(c.format);
  QFileDialog dialog(this, QStringLiteral("Export As"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The dialog's own overwrite question would come twice with Export's.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setNameFilter(QStringLiteral("*.") + ext);
  dialog.setDefaultSuffix(ext);
  if (!c.path.isEmpty()) {
    dialog.setDirectory(QFileInfo(c.path).absolutePath());
    dialog.selectFile(QFileInfo(c.path).fileName());
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  path_->setText(with_extension(dialog.selectedFiles().first(), c.format));
}

void ExportDialog::update_report() {
  if (const auto chosen = process(); const auto* why = std::get_if<std::string>(&chosen)) {
    report_view_->setPlainText(QString::fromStdString(*why));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  report_view_->setPlainText(report_(choice()));
  QApplication::restoreOverrideCursor();
}

void ExportDialog::accept_if_sure() {
  if (const auto chosen = process(); const auto* why = std::get_if<std::string>(&chosen)) {
    QMessageBox::warning(this, app_title(), QString::fromStdString(*why));
    figures_->setFocus();
    return;
  }
  const ExportChoice c = choice();
  if (c.path.isEmpty()) {
    QMessageBox::warning(this, app_title(), QStringLiteral("Give the file to export to."));
    return;
  }
  if (QFileInfo(c.path).suffix().compare(export_extension(c.format), Qt::CaseInsensitive) != 0)
    path_->setText(with_extension(c.path, c.format));
  const QString path = choice().path;
  if (QFileInfo::exists(path) &&
      QMessageBox::question(this, app_title(),
                            QStringLiteral("\"%1\" already exists.\nDo you want to replace it?")
                                .arg(QDir::toNativeSeparators(path))) != QMessageBox::Yes)
    return;
  accept();
}

std::optional<ExportChoice> QtDialogs::export_setup(QWidget* parent, ExportDialogState& state,
                                                    const ExportReport& report) {
  ExportDialog dialog(parent, state, report);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  state.choice = dialog.choice();
  return state.choice;
}

namespace {

class QtProgressBox final : public ExportProgressBox {
 public:
  QtProgressBox(QWidget* parent, const QString& label) : dialog_(label, QStringLiteral("Cancel"), 0, 1000, parent) {
    dialog_.setWindowTitle(app_title());
    // Application-modal, and events are handled only while it shows: the
    // main menu's Exit must not unload the window whose export is running.
    dialog_.setWindowModality(Qt::ApplicationModal);
    dialog_.setMinimumDuration(std::numeric_limits<int>::max());  // shown by step()
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    clock_.start();
  }
  bool step(std::uint64_t done, std::uint64_t total) override {
    if (!dialog_.isVisible()) {
      if (clock_.elapsed() < kShowAfterMs) return true;
      dialog_.show();
    }
    dialog_.setValue(total == 0 ? 1000 : static_cast<int>(done * 1000 / total));
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  static constexpr qint64 kShowAfterMs = 400;
  QProgressDialog dialog_;
  QElapsedTimer clock_;
};

}  // namespace

std::unique_ptr<ExportProgressBox> QtDialogs::export_progress(QWidget* parent, const QString& label) {
  return std::make_unique<QtProgressBox>(parent, label);
}

ExportRequest export_request(const DiscRequest& base, const ExportChoice& choice) {
  ExportRequest r;
  static_cast<DiscRequest&>(r) = base;
  r.format = choice.format;
  r.dpi = choice.dpi;
  r.crop = choice.crop;
  r.mirror = choice.mirror;
  r.negative = choice.negative;
  r.process = choice.process;
  r.bias_um = choice.bias_um;
  r.marks = choice.marks;
  r.target_in_hole = choice.target_in_hole;
  r.inverse = base.kind == DiscKind::Incremental && choice.inverse;
  r.output = QFile::encodeName(choice.path).toStdString();
  return r;
}

void export_with_dialog(QWidget* parent, Dialogs& dialogs, ExportDialogState& state, const DiscRequest& base) {
  const ExportReport report = [&base](const ExportChoice& c) {
    return QString::fromStdString(export_report(export_request(base, c)).text);
  };
  const std::optional<ExportChoice> choice = dialogs.export_setup(parent, state, report);
  if (!choice) return;
  const ExportRequest request = export_request(base, *choice);
  const QString shown = QDir::toNativeSeparators(choice->path);
  std::unique_ptr<ExportProgressBox> box = dialogs.export_progress(parent, QStringLiteral("Exporting \"%1\"…").arg(shown));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const ExportOutcome outcome = export_file(
      request, {[&box](std::uint64_t done, std::uint64_t total) { return box->step(done, total); }, {}});
  QApplication::restoreOverrideCursor();
  box.reset();
  switch (outcome.kind) {
    case ExportOutcome::Kind::Written:
    case ExportOutcome::Kind::Cancelled:
      return;
    case ExportOutcome::Kind::Refused:
      dialogs.message(parent, app_title(),
                      outcome.message != Message::None ? qtext(message_text(outcome.message))
                                                       : QString::fromStdString(outcome.reason),
                      MessageButtons::Ok);
      return;
    case ExportOutcome::Kind::Failed:
      dialogs.message(parent, app_title(),
                      QStringLiteral("The design could not be exported as \"%1\": %2.")
                          .arg(shown, QString::fromStdString(outcome.reason)),
                      MessageButtons::Ok);
      return;
  }
}

}  // namespace vantor
