// The monkey: thousands of random but valid user actions on whatever windows
// are on the screen, from a fixed seed, the dialogs answered by the scripted
// interface.  After every action every window the registry holds answers and
// the registry matches the screen; Zoom_txt shows the slider and each option
// group has one button selected; a file or export dialog opened only from a
// design window and its answer wrote the file, said why not, or (cancelled)
// wrote nothing; and every message is one the program has.
// VANTOR_MONKEY_SEED repeats a run (the seed is printed), VANTOR_MONKEY_ACTIONS
// changes the number of actions, VANTOR_MONKEY_VERBOSE=1 prints every action.
#include <QAbstractSlider>
#include <QClipboard>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QInputMethodEvent>
#include <QKeySequence>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <memory>
#include <random>

#include "common/numtext.h"
#include "gui_test.h"
#include "output/image_window.h"

namespace vantor::test {
namespace {

constexpr std::uint64_t kDefaultSeed = 20240611;
constexpr int kDefaultActions = 40000;

// In WindowId order.
const char* const kWindowNames[kWindowCount] = {"TOP_FORM",         "Inc_form",         "Abs_form",
                                                "Inc_Encoder_draw", "Abs_encoder_draw", "about_frm"};

bool is_image_window(int id) { return id == int(WindowId::IncEncoderDraw) || id == int(WindowId::AbsEncoderDraw); }
bool is_design_window(const QString& name) { return name == u"Inc_form" || name == u"Abs_form"; }
QString path_of(const QWidget* w) { return w->window()->objectName() + QLatin1Char('.') + w->objectName(); }

// The window's visible controls of that type but the picture.
template <typename T>
std::vector<T*> controls(QWidget* window) {
  std::vector<T*> out;
  for (T* c : window->findChildren<T*>())
    if (c->isVisibleTo(window) && !qobject_cast<PictureWidget*>(c)) out.push_back(c);
  return out;
}

// Texts at and around the limits of the number rules and of the program.
const char* const kEdgeTexts[] = {
    "45.5", "-0", "1e308", "1e-320", "18", "19", "200000", "200001", "200000.5", "17.9999", "-45.3", "44.5", "12.5",
    "-0.5", "32768", "-32769", "65536", "3.4e38", "3.5e38", "1.7976931348623157e308", "1.8e308", "1e400", "1E+99999",
    "1e-400", "1e-46", "4.9e-324", "0", "-0.0", "+5", ".5", "5.", "-.5", "1e", "e5", "1e+", "--1", "1e5e5", "1.2.3",
    "2,5", "0x10", "inf", "-inf", "nan", "Infinity", " ", "\t", " 2", "2 ", "2 3", " 1e3 ", "abc", "E", "-", ".", "",
    "½", "²", "٣", "２", "π", "−5", "1e3\u00a0", "\u200b1", "א", "😀", "👍🏽", "﷽"};

// The offscreen platform says so at every show() of a window; thousands of
// these would hide every other warning.
QtMessageHandler previous_handler = nullptr;
void without_raise_notes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text != QLatin1String("This plugin does not support raise()")) previous_handler(type, context, text);
}

// Types as a user does: a short text of printable ASCII key by key; another
// through the input method where the box takes one, else pasted; a long
// text pasted in one piece.
void type_keys(QLineEdit* box, const QString& text) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
  if (ascii && text.size() <= 40) return QTest::keyClicks(box, text);
  if (text.size() <= 40 && box->testAttribute(Qt::WA_InputMethodEnabled)) {
    QInputMethodEvent ev;
    ev.setCommitString(text);
    return void(QApplication::sendEvent(box, &ev));
  }
  QGuiApplication::clipboard()->setText(text);
  QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
}

}  // namespace

class MonkeyTest : public QObject {
  Q_OBJECT

  std::unique_ptr<Windows> w_;
  std::unique_ptr<QTemporaryDir> dir_;
  std::mt19937_64 rng_;
  long index_ = 0;
  int all_closed_ = 0;
  QString what_, acted_on_, failure_;  // the action, the window it was done in, the first failed check
  std::deque<QString> recent_;
  std::optional<QString> save_answer_;  // the answers queued for the action
  bool save_possible_ = false;
  std::optional<ExportChoice> export_answer_;

  WindowRegistry& reg() { return w_->registry; }
  ScriptedDialogs& dialogs() { return w_->dialogs; }
  int below(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng_); }
  bool chance(double p) { return std::bernoulli_distribution(p)(rng_); }
  template <typename T>
  T pick(const std::vector<T>& v) { return v[std::size_t(below(int(v.size())))]; }
  QString one_of(std::initializer_list<const char*> texts) { return QString::fromUtf8(texts.begin()[below(int(texts.size()))]); }
  QPoint somewhere(const QWidget* w, int beyond = 0) {
    return {between(-beyond, std::max(0, w->width() - 1) + beyond), between(-beyond, std::max(0, w->height() - 1) + beyond)};
  }

  // Visible windows, each as often as its weight: the design windows most.
  std::vector<int> visible_windows(bool weighted) {
    std::vector<int> out;
    for (int i = 0; i < kWindowCount; ++i)
      if (QWidget* w = reg().window(WindowId(i)); w && w->isVisible())
        out.insert(out.end(), !weighted ? 1 : is_design_window(w->objectName()) ? 6 : is_image_window(i) ? 2 : 1, i);
    return out;
  }

  // Brings the window to the front as the user's first click into it does.
  QWidget* activate(QWidget* window) {
    acted_on_ = window->objectName();
    if (QApplication::activeWindow() != window) window->activateWindow();
    QCoreApplication::processEvents();
    return window;
  }

  QString number_text(double lo, double hi) {
    const double v = real(lo, hi);
    const int how = below(4);
    return how == 0 ? QString::number(std::lround(v)) : QString::number(v, "fge"[how - 1], how == 2 ? between(1, 17) : below(7));
  }

  // A value of the kind the box expects, the limits among them.
  QString expected_text(const QString& box) {
    if (box == u"Res_exp") return chance(0.5) ? QString::number(between(1, 12)) : one_of({"18", "19", "18.5", "17", "0", "-1", "0.5"});
    if (box == u"RES") return chance(0.5) ? QString::number(between(1, 400)) : one_of({"200000", "200001", "200000.5", "20000", "0", "-5"});
    if (box == u"ED") return chance(0.4) ? QString::number(between(1, 4)) : number_text(0.05, 9);
    if (box == u"DD") return chance(0.5) ? QStringLiteral("0.1875") : number_text(0, 1);
    if (box == u"S1" || box == u"S2") return chance(0.7) ? QString::number(between(1, 4)) : number_text(0, 5);
    if (box.endsWith(u"_SL") || box == u"SL_in") return chance(0.5) ? QStringLiteral("0.125") : number_text(0.001, 0.4);
    if (box.endsWith(u"_ED")) return number_text(0, 0.3);
    return box.contains(u"bal") ? number_text(-60, 60) : number_text(-100, 100);
  }

  // What a user might type into this box: a value of its kind, a text at a
  // limit, thousands of digits, a tiny number in full, or characters of a
  // few alphabets (whole ones, no surrogates).
  QString random_text(const QString& box) {
    const int roll = below(100);
    if (roll < 75) return expected_text(box);
    if (roll < 93) return QString::fromUtf8(kEdgeTexts[below(int(std::size(kEdgeTexts)))]);
    if (roll < 95) return QString(between(300, 2000), QLatin1Char(chance(0.5) ? '9' : '0'));
    if (roll < 97) return QStringLiteral("0.") + QString(between(300, 400), QLatin1Char('0')) + QStringLiteral("1");
    const QString alphabet = one_of({"0123456789.+-eE \t", "abcxyzEINFnanQ_!?;:,", "0123456789€½π٣２−\u00a0\u200bא"});
    QString s;
    for (int i = below(13); i > 0; --i) s += alphabet.at(below(int(alphabet.size())));
    return s;
  }

  // Save: a writable path (any earlier file there removed), an impossible
  // one, or Cancel.  Export: now and then a small PNG of a design whose
  // report is quick, sometimes cancelled in its progress box; else Cancel.
  void queue_answers() {
    const int roll = below(100);
    save_possible_ = roll >= 35 && roll < 85;
    save_answer_.reset();
    if (roll >= 35) save_answer_ = dir_->filePath(save_possible_ ? QStringLiteral("disc%1.bmp").arg(below(6)) : "missing/disc.bmp");
    if (save_possible_) QFile::remove(*save_answer_);
    dialogs().save_answers = {save_answer_};
    bool small = true;
    for (auto [id, box, limit] : {std::tuple{WindowId::IncForm, "RES", 20000.0}, {WindowId::AbsForm, "Res_exp", 14.0}})
      if (QWidget* w = reg().window(id))
        if (auto v = parse_number(child<QLineEdit>(w, box)->text().toStdString()); v && std::abs(*v) > limit) small = false;
    export_answer_.reset();
    if (chance(0.2) && small)
      export_answer_ = ExportChoice{FileFormat::Png, between(8, 72), chance(0.7), chance(0.3), dir_->filePath(QStringLiteral("export%1.png").arg(index_))};
    dialogs().export_answers = {export_answer_};
    dialogs().cancel_export_at_step = chance(0.2) ? 1 : 0;
  }

  // A click (a right or double click now and then) on a control of the
  // window or of the main menu, a push button by the space bar too; Draw
  // more often than the rest, Exit less often, so that designs get drawn and
  // windows live a while.
  void do_click(QWidget* window) {
    if (QWidget* top = reg().window(WindowId::TopForm); top && top->isVisible() && chance(0.1)) window = top;
    std::vector<QWidget*> weighted;
    for (QWidget* w : controls<QWidget>(window)) {
      auto* b = qobject_cast<QPushButton*>(w);
      const int weight = !b ? 1 : b->text() == u"Exit" ? (chance(0.5) ? 3 : 0)
                                : is_design_window(window->objectName()) && b->text().startsWith(u"Draw") ? 24 : 6;
      weighted.insert(weighted.end(), weight, w);
    }
    if (weighted.empty()) return do_picture(window);
    QWidget* w = pick(weighted);
    activate(window);
    const int how = qobject_cast<QPushButton*>(w) && chance(0.15) ? 3 : chance(0.1) ? 1 : chance(0.1) ? 2 : 0;
    what_ = QStringLiteral("click %1 on %2").arg(how).arg(path_of(w));
    if (how == 1) QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, somewhere(w));
    if (how == 0 || how == 2) QTest::mouseClick(w, how ? Qt::RightButton : Qt::LeftButton, Qt::NoModifier, somewhere(w));
    if (how == 3) w->setFocus(Qt::TabFocusReason);
    if (how == 3) QTest::keyClick(w, Qt::Key_Space);
  }

  // Types into a box: appended, prepended, inserted at the click or
  // replacing it.  In a design window the user now and then corrects a box
  // whose text is not a number with a value of its kind, so that designs get
  // drawn.
  void do_type(QWidget* window) {
    std::vector<QLineEdit*> boxes = controls<QLineEdit>(activate(window)), not_numbers;
    if (boxes.empty()) return do_click(window);
    for (QLineEdit* b : boxes)
      if (!b->isReadOnly() && !parse_number(b->text().toStdString())) not_numbers.push_back(b);
    if (is_design_window(window->objectName()) && !not_numbers.empty() && chance(0.3)) {
      QLineEdit* box = pick(not_numbers);
      retype(box, expected_text(box->objectName()));
      what_ = QStringLiteral("correct %1 to \"%2\"").arg(path_of(box), box->text());
      return;
    }
    QLineEdit* box = pick(boxes);
    const QString text = random_text(box->objectName());
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(below(box->width()), box->height() / 2));
    const int how = std::min(below(10), 3);
    if (how < 2) QTest::keyClick(box, how == 0 ? Qt::Key_End : Qt::Key_Home);
    if (how == 3) QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    if (how == 3) QTest::keyClick(box, Qt::Key_Delete);
    type_keys(box, text);
    what_ = QStringLiteral("type %1 (%2) \"%3\" -> \"%4\"").arg(path_of(box)).arg(how).arg(text.left(60), box->text().left(60));
  }

  // A scroll bar or the slider: the mouse pressed on it, moved (beyond it
  // too) and let go.
  void do_slider(QWidget* window) {
    const std::vector<QAbstractSlider*> all = controls<QAbstractSlider>(activate(window));
    if (all.empty()) return do_type(window);
    QAbstractSlider* s = pick(all);
    what_ = QStringLiteral("drag %1 from %2").arg(path_of(s)).arg(s->value());
    QTest::mousePress(s, Qt::LeftButton, Qt::NoModifier, somewhere(s));
    for (int i = between(1, 5); i > 0; --i) {
      const QPointF to = somewhere(s, 40);
      QMouseEvent move(QEvent::MouseMove, to, s->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(s, &move);
    }
    QTest::mouseRelease(s, Qt::LeftButton, Qt::NoModifier, somewhere(s, 40));
  }

  // A focus, navigation or editing key to the focused control.
  void do_key(QWidget* window) {
    QWidget* to = activate(window)->focusWidget() ? window->focusWidget() : window;
    static const QKeyCombination kKeys[] = {
        Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::ShiftModifier | Qt::Key_Backtab, Qt::Key_Left, Qt::Key_Right,
        Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End, Qt::Key_Space,
        Qt::Key_Return, Qt::KeypadModifier | Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Backspace, Qt::Key_Delete,
        Qt::ControlModifier | Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Z, Qt::ControlModifier | Qt::Key_A,
        Qt::ControlModifier | Qt::Key_X, Qt::ControlModifier | Qt::Key_C, Qt::ControlModifier | Qt::Key_V};
    const QKeyCombination k = kKeys[below(int(std::size(kKeys)))];
    what_ = QStringLiteral("key %1 on %2").arg(QKeySequence(k).toString(), path_of(to));
    QPointer<QWidget> target = to;
    QTest::keyPress(to, k.key(), k.keyboardModifiers());
    if (target) QTest::keyRelease(target, k.key(), k.keyboardModifiers());
  }

  // A stroke of mouse moves over a picture and beyond it, with left or right
  // alone most often, else any of left, right, middle, back held.
  void do_picture(QWidget* window) {
    std::vector<int> images;
    for (int id : visible_windows(false))
      if (is_image_window(id)) images.push_back(id);
    if (images.empty()) return do_type(window);
    PictureWidget* picture = static_cast<ImageWindow*>(activate(reg().window(WindowId(pick(images)))))->picture();
    const Qt::MouseButtons held = chance(0.4) ? Qt::MouseButtons(chance(0.5) ? Qt::LeftButton : Qt::RightButton)
                                              : Qt::MouseButtons::fromInt(below(16));
    const Qt::KeyboardModifiers mods = chance(0.2) ? Qt::ShiftModifier : Qt::NoModifier;
    QPointF p = somewhere(picture, 60);
    for (int i = between(1, 40); i > 0; --i) {
      p = chance(0.15) ? QPointF(somewhere(picture, 200)) : p + QPointF(real(-12, 12), real(-12, 12));
      const QPointF at = chance(0.5) ? QPointF(std::floor(p.x()) + 0.5, std::floor(p.y()) + 0.5) : p;
      QMouseEvent move(QEvent::MouseMove, at, picture->mapToGlobal(at), Qt::NoButton, held, mods);
      QApplication::sendEvent(picture, &move);
    }
    what_ = QStringLiteral("stroke over %1, buttons 0x%2").arg(path_of(picture)).arg(int(held | mods), 0, 16);
  }

  // The window itself: its close box, dragged to another size, or (another
  // window) brought to the front.
  void do_window(QWidget* window) {
    const int what = below(5);
    if (what == 0) what_ = QStringLiteral("close box of %1: %2").arg(window->objectName()).arg(window->close());
    if (what == 1) window->resize(between(120, 1400), between(100, 1100));
    if (what == 1) what_ = QStringLiteral("resize %1 to %2 x %3").arg(window->objectName()).arg(window->width()).arg(window->height());
    if (what > 1) what_ = QStringLiteral("bring %1 to the front").arg(activate(reg().window(WindowId(pick(visible_windows(false)))))->objectName());
  }

  // One action on a visible window; the program started again once
  // everything is closed.
  void perform() {
    static const std::pair<int, void (MonkeyTest::*)(QWidget*)> kKinds[] = {
        {30, &MonkeyTest::do_click}, {24, &MonkeyTest::do_type},    {12, &MonkeyTest::do_key},
        {13, &MonkeyTest::do_slider}, {8, &MonkeyTest::do_picture}, {5, &MonkeyTest::do_window}};
    const std::vector<int> weighted = visible_windows(true);
    if (weighted.empty()) what_ = QStringLiteral("start again: show TOP_FORM");
    if (weighted.empty()) return void(reg().show(WindowId::TopForm));
    QWidget* window = reg().window(WindowId(pick(weighted)));
    int r = below(92);
    for (const auto& [weight, run] : kKinds)
      if ((r -= weight) < 0) return (this->*run)(window);
  }

  void fail(const QString& what) {
    if (failure_.isEmpty()) failure_ = what;
  }

  void check_windows() {
    QWidget* held[kWindowCount] = {};
    bool any_visible = false, any_loaded = false;
    for (int i = 0; i < kWindowCount; ++i) {
      QWidget* w = held[i] = reg().window(WindowId(i));
      any_loaded = any_loaded || w;
      any_visible = any_visible || (w && w->isVisible());
      if (w && (w->objectName() != QLatin1String(kWindowNames[i]) || !w->isWindow()))
        fail(QStringLiteral("the registry holds \"%1\" as %2").arg(w->objectName(), kWindowNames[i]));
      if (w && !w->isVisible() && !is_image_window(i)) fail(QStringLiteral("%1 is loaded but hidden").arg(kWindowNames[i]));
    }
    if (any_loaded && !any_visible) fail(QStringLiteral("windows are loaded but none is on the screen"));
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->isVisible() && top->windowType() != Qt::ToolTip && top->windowType() != Qt::Popup && std::count(held, held + kWindowCount, top) == 0)
        fail(QStringLiteral("a visible window \"%1\" (%2) is not the registry's").arg(top->objectName(), top->metaObject()->className()));
    settle();
    for (int i = 0; i < kWindowCount; ++i)
      if (reg().window(WindowId(i)) != held[i]) fail(QStringLiteral("%1 went away when deleted windows were let go").arg(kWindowNames[i]));
    if (QWidget* inc = held[int(WindowId::IncForm)]; inc && child<QLineEdit>(inc, "Zoom_txt")->text() != QString::number(child<QSlider>(inc, "ZoomCTRL")->value()))
      fail(QStringLiteral("Zoom_txt does not show the slider"));
    for (QWidget* w : {held[int(WindowId::IncForm)], held[int(WindowId::AbsForm)]})
      for (QGroupBox* frame : w ? w->findChildren<QGroupBox*>() : QList<QGroupBox*>()) {
        const auto options = frame->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly);
        if (!options.isEmpty() && std::count_if(options.begin(), options.end(), [](QRadioButton* r) { return r->isChecked(); }) != 1)
          fail(QStringLiteral("%1 has not one option button selected").arg(path_of(frame)));
      }
  }

  // Every message of the action is one the program has; a file or export
  // dialog opened at most once, from a design window, and its answer wrote
  // the file, said why not, or (refused or cancelled) wrote nothing.
  void check_messages_and_files(std::size_t messages, std::size_t saves, std::size_t exports) {
    bool design_refused = false, save_refused = false;
    for (std::size_t i = messages; i < dialogs().messages.size(); ++i) {
      const QString& text = dialogs().messages[i].text;
      bool design = false;
      for (int k = int(Message::InvalidEntry); k <= int(Message::AbsResolutionTooHigh); ++k) design = design || text == qtext(message_text(Message(k)));
      const bool save = text.startsWith(u"The picture could not be saved as \"");
      if (dialogs().messages[i].title != app_title() || (!design && !save)) fail(QStringLiteral("a message \"%1\"").arg(text));
      design_refused = design_refused || design;
      save_refused = save_refused || save;
    }
    for (auto [before, after, kind] : {std::tuple{saves, dialogs().save_requests.size(), "file"}, {exports, dialogs().export_requests.size(), "export"}})
      if (after > before + 1 || (after > before && !is_design_window(acted_on_))) fail(QStringLiteral("a %1 dialog from %2").arg(kind, acted_on_));
    if (dialogs().save_requests.size() > saves && save_refused != (save_answer_ && !save_possible_))
      fail(QStringLiteral("Save to \"%1\" was refused or said nothing").arg(save_answer_.value_or("nothing")));
    if (dialogs().save_requests.size() > saves && save_possible_ && QImageReader(*save_answer_, "BMP").size().isEmpty())
      fail(QStringLiteral("Save wrote no picture to \"%1\"").arg(*save_answer_));
    if (dialogs().export_requests.size() == exports || !export_answer_) return;
    const bool written = !design_refused && dialogs().cancel_export_at_step != 1;
    what_ += QStringLiteral(" [export at %1 dpi, crop %2, inverse %3]").arg(export_answer_->dpi).arg(export_answer_->crop).arg(export_answer_->inverse);
    if (written == QImageReader(export_answer_->path, "PNG").size().isEmpty() || (!written && QFileInfo::exists(export_answer_->path)))
      fail(QStringLiteral("the export %1 \"%2\"").arg(written ? "wrote no PNG to" : "was refused or cancelled but left", export_answer_->path));
  }

  void start(std::uint64_t seed) {
    rng_.seed(seed);
    w_ = std::make_unique<Windows>();
    connect(&reg(), &WindowRegistry::all_closed, this, [this] { ++all_closed_; });
    dir_ = std::make_unique<QTemporaryDir>();
    reg().show(WindowId::TopForm);
  }

  // Runs one action with its checks; false when a check failed.
  bool step(bool verbose) {
    what_.clear();
    acted_on_.clear();
    queue_answers();
    const std::size_t messages = dialogs().messages.size(), saves = dialogs().save_requests.size(), exports = dialogs().export_requests.size();
    perform();
    QCoreApplication::processEvents();
    check_messages_and_files(messages, saves, exports);
    check_windows();
    recent_.push_back(QStringLiteral("#%1 %2 [%3 program ends]").arg(index_++).arg(what_).arg(all_closed_));
    if (verbose) std::fprintf(stderr, "%s\n", qPrintable(recent_.back()));
    if (recent_.size() > 40) recent_.pop_front();
    return failure_.isEmpty();
  }

 private slots:
  void init() {
    failure_.clear();
    recent_.clear();
    index_ = all_closed_ = 0;
    previous_handler = qInstallMessageHandler(without_raise_notes);
  }
  void cleanup() {
    w_.reset();
    dir_.reset();
    qInstallMessageHandler(previous_handler);
  }

  void random_actions() {
    bool ok = false;
    const std::uint64_t seed = qEnvironmentVariable("VANTOR_MONKEY_SEED").toULongLong(&ok);
    const int actions = qEnvironmentVariableIntValue("VANTOR_MONKEY_ACTIONS");
    start(ok ? seed : kDefaultSeed);
    qInfo("monkey seed %llu, %d actions", static_cast<unsigned long long>(ok ? seed : kDefaultSeed), actions > 0 ? actions : kDefaultActions);
    while (index_ < (actions > 0 ? actions : kDefaultActions) && step(qEnvironmentVariableIntValue("VANTOR_MONKEY_VERBOSE") != 0)) {
    }
    qInfo("monkey: %ld actions; %d program ends, %zu file and %zu export dialogs", index_, all_closed_,
          dialogs().save_requests.size(), dialogs().export_requests.size());
    QVERIFY2(failure_.isEmpty(), qPrintable(QStringLiteral("action #%1: %2\n  the last actions:\n    %3")
                                                 .arg(index_ - 1).arg(failure_, QStringList(recent_.begin(), recent_.end()).join("\n    "))));
  }

  // --- inputs that once broke a run ------------------------------------

  // A locked box (Zoom_txt, zoom_diam) takes nothing from the keyboard, a
  // paste or an input method.  (A run once sent a 2000-character paste to
  // Zoom_txt as an input-method event, which a read-only QLineEdit accepts
  // when it is sent one directly; the window system sends none, as the box
  // has no input method.)
  void locked_boxes_take_no_text() {
    start(kDefaultSeed);
    QWidget* inc = activate(reg().show(WindowId::IncForm));
    for (const char* name : {"Zoom_txt", "zoom_diam"}) {
      auto* box = child<QLineEdit>(inc, name);
      const QString before = box->text();
      QVERIFY(!box->testAttribute(Qt::WA_InputMethodEnabled));
      retype(box, QStringLiteral("123"));
      type_keys(box, QString(2000, QLatin1Char('0')));  // pasted
      type_keys(box, QStringLiteral("½π"));            // not ASCII: pasted, no input method
      QCOMPARE(box->text(), before);
    }
  }

  // Touch-up sees left 1, right 2, middle 4: the back and forward buttons
  // held as well change nothing.  (A run once expected nothing from left
  // with back held; left it is, and it draws black.)  A stroke along the top
  // row reaches every pixel of it whatever the scale mode.
  void touch_up_ignores_the_side_buttons_data() {
    QTest::addColumn<int>("scale_mode");
    QTest::addColumn<Qt::MouseButtons>("held");
    QTest::addColumn<int>("draws");  // 0 black, 255 white, -1 nothing
    QTest::newRow("left with back, mm") << 6 << (Qt::LeftButton | Qt::BackButton) << 0;
    QTest::newRow("right with forward, inch") << 5 << (Qt::RightButton | Qt::ForwardButton) << 255;
    QTest::newRow("left and right with back, twips") << 1 << (Qt::LeftButton | Qt::RightButton | Qt::BackButton) << -1;
    QTest::newRow("middle") << 6 << Qt::MouseButtons(Qt::MiddleButton) << -1;
  }
  void touch_up_ignores_the_side_buttons() {
    QFETCH(int, scale_mode);
    QFETCH(Qt::MouseButtons, held);
    QFETCH(int, draws);
    start(kDefaultSeed);
    auto* image = static_cast<ImageWindow*>(reg().show(WindowId::IncEncoderDraw));
    Surface& s = image->surface();
    s.set_scale_mode(ScaleMode(scale_mode));
    for (int x = 0; x < s.width(); x += 2) s.data()[x] = 0x00;  // a top row of both colours
    const Surface before = s;
    for (int x = 0; x < s.width(); ++x) move_over(image->picture(), {x, 0}, held);
    for (int x = 0; x < s.width(); ++x) QCOMPARE(int(s.pixel(x, 0)), draws < 0 ? int(before.pixel(x, 0)) : draws);
  }
};

VANTOR_GUI_TEST(MonkeyTest);

}  // namespace vantor::test

#include "monkey_test.moc"
