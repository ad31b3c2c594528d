// vantor-render run as a program, without a display: usage errors and the
// renderers' messages with their exit status and no file written, the
// geometry of the disc at 600 pixels per inch against the formulas, the
// crop as a window of the whole picture, PNG output, progress on a
// terminal, --help and what the program links.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <numbers>
#include <optional>

#include "absolute/absolute_fields.h"
#include "bmp_reader.h"
#include "common/messages.h"
#include "export/artwork.h"
#include "export/design_report.h"
#include "export/dxf.h"
#include "export/gerber.h"
#include "export/svg_pdf.h"
#include "incremental/incremental_fields.h"
#include "render/render_args.h"

using namespace vantor;
using vantor::test::Bmp;

namespace {

constexpr double kPi = std::numbers::pi;

struct Run {
  int status = -1;
  QByteArray out, err;
};

// Runs vantor-render with no display to talk to.
Run run(const QStringList& args) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(VANTOR_RENDER_PATH), args);
  if (!p.waitForFinished(240000)) {
    p.kill();
    p.waitForFinished();
    return {};
  }
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}

QStringList split(const QString& args, const QString& file) {
  QStringList list = args.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (QString& a : list) a.replace(QLatin1Char('@'), file);
  return list;
}

std::optional<Bmp> read(const QString& path) {
  QString error;
  std::optional<Bmp> bmp = test::read_bmp(test::file_bytes(path), &error);
  if (!bmp) qWarning("%s: %s", qPrintable(path), qPrintable(error));
  return bmp;
}

bool write_bytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

// The picture's size at p pixels per inch: 13000 x 9000 twips less a border
// of 2 pixels a side at 96 (scaled), halves rounded away from zero.
int picture_size(double twips, double p) { return int(std::lround(twips * p / 1440) - std::lround(4 * p / 96)); }

// The pixel at polar (r inches, angle a counter-clockwise from 3 o'clock)
// from the picture's centre, at p pixels per inch.
std::uint8_t polar(const Bmp& bmp, double p, double r, double a) {
  const double cx = bmp.width / 2.0, cy = bmp.height / 2.0;
  return bmp.at(int(std::floor(cx + r * p * std::cos(a))), int(std::floor(cy - r * p * std::sin(a))));
}

constexpr std::uint8_t kBlack = 0x00, kWhite = 0xFF;

// The default absolute disc: six Grey tracks between R = 1 in and the shaft
// (0.1875 in across) in Auto mode, SL = (R - 2 Rs) / 12; track i (0
// innermost) has sectors of pi / 2^i, every other one open and all turned by
// half a sector: open around (2m + 1) pi / 2^i, shut around 2m pi / 2^i.
// at(r, a) is the pixel at r inches from the centre, angle a.
void check_default_absolute(const std::function<std::uint8_t(double, double)>& at) {
  const double R = 1, rs = 0.09375, sl = (R - 2 * rs) / 12;
  for (int n = 0; n < 6; ++n) {
    const int i = 5 - n;
    const double outer = R - sl - 2 * n * sl;
    const double sector = kPi / std::pow(2.0, i);
    for (int m = 0; m < (1 << i); ++m) {
      QVERIFY2(at(outer - sl / 2, (2 * m + 1) * sector) == kWhite, qPrintable(QString::number(n)));
      QVERIFY2(at(outer - sl / 2, 2 * m * sector) == kBlack, qPrintable(QString::number(n)));
    }
    // The ring between this track and the next is solid.
    QCOMPARE(at(outer + sl / 2, 0.3), kBlack);
  }
  QCOMPARE(at(1.005, 1.0), kWhite);
  QCOMPARE(at(0.07, 0.8), kWhite);
}

// Runs vantor-render and returns its peak resident memory in KiB, or -1
// when it did not end with status 0.
long peak_kib(const std::vector<std::string>& args) {
  std::vector<std::string> words{VANTOR_RENDER_PATH};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, VANTOR_RENDER_PATH, nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

}  // namespace

class RenderCliTest : public QObject {
  Q_OBJECT

 private slots:
  // A usage error: one line, status 2, no file, an existing one untouched.
  void usage_errors_data() {
    QTest::addColumn<QString>("args");  // @ is the output file
    QTest::addColumn<QString>("says");
    QTest::newRow("nothing") << "" << "incremental, absolute or a design file";
    QTest::newRow("unknown kind") << "spiral -o @" << "\"spiral\"";
    QTest::newRow("unknown name") << "incremental CH4_SL=1 -o @" << "no control is named \"CH4_SL\"";
    QTest::newRow("the other window's name") << "absolute RES=12 -o @" << "no control is named \"RES\"";
    QTest::newRow("check box holds 0 or 1") << "incremental CH1_on=2 -o @" << "0 or 1, not \"2\"";
    QTest::newRow("scroll bar range") << "absolute abs_bal=99 -o @" << "from -45 to 45, not \"99\"";
    QTest::newRow("slider, not a number") << "incremental ZoomCTRL=abc -o @" << "from 10 to 500, not \"abc\"";
    QTest::newRow("two buttons of a group") << "incremental Unit_in Unit_mm -o @" << "group \"Units\"";
    QTest::newRow("two code types") << "absolute Bin_type grey_type -o @" << "\"Absolute Type\"";
    QTest::newRow("a display") << "incremental zoom_diam=3 -o @" << "not an input";
    QTest::newRow("the balance echo") << "absolute abs_bal_txt=30 -o @" << "set abs_bal";
    QTest::newRow("named twice") << "incremental ED=1 ED=2 -o @" << "named twice";
    QTest::newRow("no -o") << "incremental ED=3" << "-o FILE (.bmp, .png, .svg, .pdf, .gbr or .dxf), --report or --save-design FILE";
    QTest::newRow("-o without a file") << "incremental -o" << "-o needs a value";
    QTest::newRow("two outputs") << "incremental -o @ -o @" << "twice";
    QTest::newRow("unknown format") << "incremental -o @.jpg" << ".bmp, .png, .svg, .pdf, .gbr or .dxf";
    QTest::newRow("no extension") << "incremental -o @.d/disc" << ".bmp, .png, .svg, .pdf, .gbr or .dxf";
    QTest::newRow("report twice") << "absolute --report --report" << "--report is given twice";
    QTest::newRow("inverse absolute") << "absolute --inverse -o @" << "incremental discs only";
    QTest::newRow("dpi 0") << "incremental --dpi 0 -o @" << "--dpi";
    QTest::newRow("dpi too high") << "incremental --dpi 100001 -o @" << "--dpi";
    QTest::newRow("dpi not whole") << "incremental --dpi=96.5 -o @" << "not \"96.5\"";
    QTest::newRow("unknown option") << "incremental --zoom 2 -o @" << "no option \"--zoom\"";
    QTest::newRow("design file without .vantor") << "incremental --save-design @.toml" << "must end in .vantor";
    QTest::newRow("design file missing") << "@.vantor -o @" << "old.bmp.vantor cannot be read: No such file";
  }
  void usage_errors() {
    QFETCH(QString, args);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("old.bmp"));
    const QByteArray old = "BM not a picture, and it must stay as it is";
    QVERIFY(write_bytes(file, old));
    QVERIFY(write_bytes(file + QStringLiteral(".jpg"), old));

    const Run r = run(split(args, file));

    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.startsWith("vantor-render: ") && r.err.endsWith('\n') && r.err.count('\n') == 1, r.err);
    QVERIFY2(r.err.contains(says.toUtf8()), r.err);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(test::file_bytes(file), old);
    QCOMPARE(entries(dir.path()), (QStringList{QStringLiteral("old.bmp"), QStringLiteral("old.bmp.jpg")}));
  }

  // A design file saved by the command draws the same file as its entries;
  // entries after the file override it.
  void design_file_round_trip() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("d.vantor"));
    QCOMPARE(run(split("incremental RES=360 --save-design @", file)).status, 0);
    for (const QString& entries : {QString(), QStringLiteral(" ED=2.5 CH2_I")}) {
      QCOMPARE(run(split("@" + entries + " -o @.a.bmp", file)).status, 0);
      QCOMPARE(run(split("incremental RES=360" + entries + " -o @.b.bmp", file)).status, 0);
      QCOMPARE(test::file_bytes(file + ".a.bmp"), test::file_bytes(file + ".b.bmp"));
    }
  }

  // The renderers' refusals exactly as the windows show them, and the
  // program's own: a picture too large, a file that cannot be written.
  void refused_drawings_data() {
    QTest::addColumn<QString>("args");  // @ is the output file
    QTest::addColumn<QString>("message");  // the whole of standard error, or a part of it when it starts with ~
    auto text = [](Message m) { return QString::fromUtf8(message_text(m).data(), qsizetype(message_text(m).size())); };
    QTest::newRow("empty RES") << "incremental RES= -o @" << text(Message::InvalidEntry);
    QTest::newRow("S2 = 0, inverse") << "incremental S2=0 --inverse -o @" << text(Message::InvalidEntry);
    QTest::newRow("slots past the radius") << "incremental CH1_SL=0.5 CH2_SL=0.5 CH3_SL=0.5 -o @"
                                           << text(Message::SlotsTooLong);
    QTest::newRow("too many slots") << "incremental RES=300000 -o @.png" << text(Message::ResolutionTooHigh);
    QTest::newRow("not-a-number balance at Draw") << "incremental bal_2scroll=x --crop -o @" << text(Message::InvalidEntry);
    QTest::newRow("absolute S2 = 0") << "absolute S2=0 --crop -o @" << text(Message::InvalidEntry);
    QTest::newRow("absolute, User edge not a number") << "absolute CH1_ED_U CH1_ED=? -o @" << text(Message::InvalidEntry);
    QTest::newRow("absolute 19 bits") << "absolute Res_exp=19 -o @" << text(Message::AbsResolutionTooHigh);
    QTest::newRow("whole picture at 20000 ppi") << "incremental --dpi 20000 -o @" << "~the limit is 1024 MiB";
    QTest::newRow("folder missing") << "absolute -o @.d/disc.bmp" << "~could not be written";
    QTest::newRow("SVG of a refused design") << "incremental RES= -o @.svg" << text(Message::InvalidEntry);
    QTest::newRow("Gerber, folder missing") << "absolute -o @.d/disc.gbr" << "~could not be written";
    QTest::newRow("DXF of overlapping tracks") << "incremental CH2_ED_U CH2_ED=-0.05 -o @.dxf" << "~overlap";
    // Regression: a report of a refused design once exited 0.
    QTest::newRow("report alone of a refused design") << "incremental ED=abc --report" << text(Message::InvalidEntry);
    QTest::newRow("report of a refused design, with a file") << "absolute Res_exp=x --report -o @"
                                                              << text(Message::InvalidEntry);
  }
  void refused_drawings() {
    QFETCH(QString, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("old.bmp"));
    const QByteArray old = "BM an older file";
    QVERIFY(write_bytes(file, old));
    QVERIFY(write_bytes(file + QStringLiteral(".png"), old));

    const Run r = run(split(args, file));

    QCOMPARE(r.status, 1);
    if (message.startsWith(QLatin1Char('~'))) {
      QVERIFY2(r.err.startsWith("vantor-render: ") && r.err.count('\n') == 1, r.err);
      QVERIFY2(r.err.contains(message.mid(1).toUtf8()), r.err);
    } else {
      QCOMPARE(QString::fromUtf8(r.err), message + QLatin1Char('\n'));
    }
    QCOMPARE(test::file_bytes(file), old);
    QCOMPARE(test::file_bytes(file + QStringLiteral(".png")), old);
    QCOMPARE(entries(dir.path()), (QStringList{QStringLiteral("old.bmp"), QStringLiteral("old.bmp.png")}));
  }

  // A write that fails half-way (the file size limit, as a full disk)
  // leaves the existing file as it was and no other file.
  void failed_write_keeps_the_old_file() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("old.bmp"));
    const QByteArray old = "BM the older picture";
    QVERIFY(write_bytes(file, old));
    QProcess p;
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("ulimit -f 64; exec \"$0\" \"$@\""),
                                        QStringLiteral(VANTOR_RENDER_PATH), QStringLiteral("incremental"),
                                        QStringLiteral("--dpi"), QStringLiteral("300"), QStringLiteral("-o"), file});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 1);
    const QByteArray err = p.readAllStandardError();
    QVERIFY2(err.startsWith("vantor-render: ") && err.contains("could not be written") && err.count('\n') == 1, err);
    QCOMPARE(test::file_bytes(file), old);
    QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("old.bmp")});
  }

  // The default incremental disc at 600 ppi: R = 1 in at the centre of the
  // picture, tracks from the rim inwards each 0.125 in wide after a gap of
  // 0.125 in, 16 cycles; A slots open from 0, B a quarter cycle later, the
  // Index slot where B's first is; shaft 0.1875 in across.
  void incremental_geometry_at_600_ppi() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("inc.bmp"));
    const Run r = run({QStringLiteral("incremental"), QStringLiteral("--dpi"), QStringLiteral("600"),
                       QStringLiteral("-o"), file});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    const std::optional<Bmp> bmp = read(file);
    QVERIFY(bmp);
    QCOMPARE(bmp->bits, 1);
    QCOMPARE(bmp->width, picture_size(13000, 600));
    QCOMPARE(bmp->height, picture_size(9000, 600));
    QCOMPARE(bmp->x_ppm, 23622);  // 600 per inch
    QCOMPARE(bmp->y_ppm, 23622);

    // Angles where each track is surely open or shut, half a slot from any
    // edge: A samples at the middles of the half cycles, B and Index at the
    // half-cycle boundaries.
    const double cycle = 2 * kPi / 16;
    struct Ring {
      double r;   // inches from the centre
      int track;  // 0: solid (or outside the disc), else 1, 2, 3
    } rings[] = {{1.05, 0}, {0.94, 0}, {0.81, 1}, {0.69, 0}, {0.56, 2}, {0.44, 0}, {0.31, 3}, {0.17, 0}};
    for (const Ring& ring : rings)
      for (int k = 0; k < 32; ++k) {
        double a = k * cycle / 2;
        std::uint8_t want = ring.r > 1 ? kWhite : kBlack;
        switch (ring.track) {
          case 1: a += cycle / 4; want = k % 2 == 0 ? kWhite : kBlack; break;  // open on [0, c/2)
          case 2: want = k % 2 == 1 ? kWhite : kBlack; break;                 // open on [c/4, 3c/4)
          case 3: want = k == 1 ? kWhite : kBlack; break;                     // B's first slot only
          default: a += cycle / 4; break;
        }
        QVERIFY2(polar(*bmp, 600, ring.r, a) == want, qPrintable(QStringLiteral("r %1 in, angle %2").arg(ring.r).arg(a)));
      }
    // The shaft hole, between the centre cross and its rim.
    for (double a : {0.25 * kPi, 0.75 * kPi, 1.25 * kPi, 1.75 * kPi})
      QCOMPARE(polar(*bmp, 600, 0.07, a), kWhite);
    // The picture's corners are background.
    QCOMPARE(bmp->at(0, 0), kWhite);
    QCOMPARE(bmp->at(bmp->width - 1, bmp->height - 1), kWhite);
  }

  // The default absolute disc at 600 ppi, whole picture, and as a film
  // master at 10,000 ppi, cropped: its raster memory stays within 64 MiB
  // (a whole-raster peer needs 1.5 GiB at 4 bytes a pixel).
  void absolute_geometry_at_600_ppi() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("abs.bmp"));
    const Run r = run({QStringLiteral("absolute"), QStringLiteral("--dpi=600"), QStringLiteral("-o"), file});
    QCOMPARE(r.status, 0);
    const std::optional<Bmp> bmp = read(file);
    QVERIFY(bmp);
    QCOMPARE(bmp->x_ppm, 23622);
    check_default_absolute([&](double radius, double a) { return polar(*bmp, 600, radius, a); });
  }
  void film_master_at_10000_ppi() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("film.png"));
    const long small = peak_kib({"absolute", "-o", dir.filePath(QStringLiteral("small.png")).toStdString()});
    const long film = peak_kib({"absolute", "--dpi", "10000", "--crop", "-o", file.toStdString()});
    QVERIFY(small > 0 && film > 0);
    QVERIFY2(film - small <= 64 * 1024, qPrintable(QStringLiteral("%1 KiB more than at 96 ppi").arg(film - small)));
    QImageReader::setAllocationLimit(0);  // a 1-bit picture of 400 million pixels
    const QImage image(file);
    // 2 in and 1 % on each side, the ends rounded outwards to whole pixels.
    QVERIFY2(image.width() == image.height() && image.width() >= 20400 && image.width() <= 20402,
             qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
    QCOMPARE(image.dotsPerMeterX(), 393701);
    const double c = image.width() / 2.0;
    check_default_absolute([&](double radius, double a) {
      return std::uint8_t(qGray(image.pixel(int(std::floor(c + radius * 10000 * std::cos(a))),
                                            int(std::floor(c - radius * 10000 * std::sin(a))))));
    });
  }

  // --crop: the disc's square with a 1 % margin, every pixel as in the whole
  // picture (drawn in bands at 600 ppi), the disc inside it.
  void crop_is_a_window_of_the_whole_picture_data() {
    QTest::addColumn<QString>("args");
    QTest::addColumn<double>("radius");  // of the disc as drawn, inches
    QTest::addColumn<bool>("black_disc");
    QTest::newRow("incremental at 250 %") << "incremental ZoomCTRL=250 RES=40" << 2.5 << true;
    QTest::newRow("inverse ignores the zoom") << "incremental ZoomCTRL=250 --inverse" << 1.0 << false;
    QTest::newRow("absolute binary, 3 in, 1:2") << "absolute Bin_type ED=3 S2=2 abs_bal=20" << 0.75 << true;
    QTest::newRow("millimetres") << "incremental Unit_mm ED=40 CH1_SL=3 CH2_SL=3 CH3_SL=3" << 20 / 25.4 << true;
  }
  void crop_is_a_window_of_the_whole_picture() {
    QFETCH(QString, args);
    QFETCH(double, radius);
    QFETCH(bool, black_disc);
    QTemporaryDir dir;
    const QString whole = dir.filePath(QStringLiteral("whole.bmp")), crop = dir.filePath(QStringLiteral("crop.bmp"));
    QCOMPARE(run(split(args + QStringLiteral(" --dpi 600 -o @"), whole)).status, 0);
    QCOMPARE(run(split(args + QStringLiteral(" --dpi 600 --crop -o @"), crop)).status, 0);
    const std::optional<Bmp> w = read(whole), c = read(crop);
    QVERIFY(w && c);
    // The square's edges may land a pixel either way of the exact ones
    // (the centre is found in single precision); its pixels must be exactly
    // those of the whole picture at its place.
    const double half = 1.02 * radius * 600;
    const int left = int(std::floor(w->width / 2.0 - half)), top = int(std::floor(w->height / 2.0 - half));
    QVERIFY2(std::abs(c->width - (int(std::ceil(w->width / 2.0 + half)) - left)) <= 1, qPrintable(QString::number(c->width)));
    QVERIFY2(std::abs(c->height - (int(std::ceil(w->height / 2.0 + half)) - top)) <= 1, qPrintable(QString::number(c->height)));
    QCOMPARE(c->x_ppm, w->x_ppm);
    auto matches_at = [&](int dx, int dy) {
      for (int y = 0; y < c->height; ++y)
        for (int x = 0; x < c->width; ++x)
          if (c->at(x, y) != w->at(dx + x, dy + y)) return false;
      return true;
    };
    bool found = false;
    for (int dy = top - 1; dy <= top + 1 && !found; ++dy)
      for (int dx = left - 1; dx <= left + 1 && !found; ++dx) found = matches_at(dx, dy);
    QVERIFY2(found, "the crop is no window of the whole picture near its place");
    // The margin is background; just inside the rim is the disc.
    for (int x = 0; x < c->width; ++x) QCOMPARE(c->at(x, 0), kWhite);
    const int inside = int(radius * 600) - 3;
    QCOMPARE(c->at(c->width / 2 - inside, c->height / 2), black_disc ? kBlack : kWhite);
    QCOMPARE(c->at(c->width / 2, c->height / 2 + inside), black_disc ? kBlack : kWhite);
  }

  // PNG: 1 bit a pixel, the resolution in its pHYs chunk, the pixels of the
  // BMP; an existing file is replaced.
  void png_holds_the_pixels_of_the_bmp() {
    QTemporaryDir dir;
    const QString bmp_path = dir.filePath(QStringLiteral("d.bmp")), png_path = dir.filePath(QStringLiteral("d.PNG"));
    QVERIFY(write_bytes(png_path, QByteArray(5000, 'x')));
    const QStringList design{QStringLiteral("absolute"), QStringLiteral("Res_exp=9"), QStringLiteral("--dpi"),
                             QStringLiteral("300"), QStringLiteral("-o")};
    QCOMPARE(run(design + QStringList{bmp_path}).status, 0);
    QCOMPARE(run(design + QStringList{png_path}).status, 0);
    const QByteArray png = test::file_bytes(png_path);
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
    QCOMPARE(int(png[24]), 1);  // bit depth
    const qsizetype phys = png.indexOf("pHYs");
    QVERIFY(phys > 0);
    auto be32 = [&png](qsizetype at) {
      return quint32(quint8(png[at])) << 24 | quint32(quint8(png[at + 1])) << 16 | quint32(quint8(png[at + 2])) << 8 |
             quint8(png[at + 3]);
    };
    QCOMPARE(be32(phys + 4), 11811u);  // 300 per inch
    QCOMPARE(be32(phys + 8), 11811u);
    QCOMPARE(int(png[phys + 12]), 1);  // per metre
    const std::optional<Bmp> b = read(bmp_path);
    QVERIFY(b);
    const QImage image = QImage::fromData(png).convertToFormat(QImage::Format_Grayscale8);
    QCOMPARE(image.width(), b->width);
    QCOMPARE(image.height(), b->height);
    for (int y = 0; y < b->height; ++y)
      for (int x = 0; x < b->width; ++x)
        if (image.constScanLine(y)[x] != b->at(x, y)) QFAIL(qPrintable(QStringLiteral("(%1, %2)").arg(x).arg(y)));
  }

  // A vector file is the core writer's file for the same request, and
  // --report prints the design report, alone or besides a file.
  void vector_files_and_report_data() {
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QByteArray>("starts");
    for (const char* ext : {"svg", "pdf", "gbr", "dxf"})
      QTest::newRow(ext) << QString::fromLatin1(ext)
                         << QByteArray(std::string_view(ext) == "pdf" ? "%PDF-" : std::string_view(ext) == "svg" ? "<" : "");
  }
  void vector_files_and_report() {
    QFETCH(QString, extension);
    QFETCH(QByteArray, starts);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("disc.") + extension);
    const QStringList design{QStringLiteral("absolute"), QStringLiteral("Res_exp=5"), QStringLiteral("--dpi"),
                             QStringLiteral("1200"), QStringLiteral("--crop")};
    const Run r = run(design + QStringList{QStringLiteral("--report"), QStringLiteral("-o"), file});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    std::vector<std::string> words;
    for (const QString& w : design + QStringList{QStringLiteral("-o"), file}) words.push_back(w.toStdString());
    const RenderRequest request = std::get<RenderRequest>(parse_render_args(words));
    const ArtworkOutcome art = record_artwork(request);
    QCOMPARE(art.message, Message::None);
    std::string expected;
    switch (request.format) {
      case FileFormat::Svg: expected = svg_file(art.artwork); break;
      case FileFormat::Pdf: expected = pdf_file(art.artwork); break;
      case FileFormat::Gerber: expected = gerber_file(art.artwork); break;
      case FileFormat::Dxf: expected = dxf_file(art.artwork).file; break;
      default: QFAIL("not a vector format");
    }
    const QByteArray bytes = test::file_bytes(file);
    QVERIFY(bytes.startsWith(starts));
    QVERIFY(bytes == QByteArray::fromStdString(expected));
    QCOMPARE(r.out, QByteArray::fromStdString(design_report(art.artwork)));

    const Run alone = run(design + QStringList{QStringLiteral("--report")});
    QCOMPARE(alone.status, 0);
    QCOMPARE(alone.out, r.out);
  }

  // --progress reports every step, one line each on a pipe and rewritten in
  // place on a terminal; without it a pipe gets nothing.  (Whether a terminal
  // shows it unasked depends on the drawing taking a second, which no test
  // can promise on every machine.)
  void progress_lines() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("disc.png"));
    const QStringList design{QStringLiteral("absolute"), QStringLiteral("Res_exp=12"), QStringLiteral("--dpi"),
                             QStringLiteral("2400"), QStringLiteral("--crop"), QStringLiteral("-o"), file};

    const Run plain = run(design);
    QCOMPARE(plain.status, 0);
    QVERIFY(plain.err.isEmpty());

    const Run piped = run(design + QStringList{QStringLiteral("--progress")});
    QCOMPARE(piped.status, 0);
    const QList<QByteArray> lines = piped.err.trimmed().split('\n');
    QVERIFY2(lines.size() >= 3, piped.err);  // at least two steps and the writing
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
      QVERIFY2(lines[i].startsWith("vantor-render: drawing ") && lines[i].endsWith(" %"), lines[i]);
    QCOMPARE(lines[lines.size() - 2], QByteArray("vantor-render: drawing 100 %"));
    QCOMPARE(lines.last(), ("vantor-render: writing " + file).toLocal8Bit());
    QVERIFY(!piped.err.contains('\r'));

    const QString script = QStandardPaths::findExecutable(QStringLiteral("script"));
    if (script.isEmpty()) QSKIP("no script(1) to give the program a terminal");
    QProcess p;
    p.start(script, {QStringLiteral("-qfec"),
                     QStringLiteral(VANTOR_RENDER_PATH) + QLatin1Char(' ') + design.join(QLatin1Char(' ')) +
                         QStringLiteral(" --progress"),
                     QStringLiteral("/dev/null")});
    QVERIFY(p.waitForFinished(240000));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray shown = p.readAllStandardOutput();
    QVERIFY2(shown.contains("\rvantor-render: drawing 100 %"), shown);
    QVERIFY2(shown.contains("vantor-render: writing "), shown);
  }

  void help_lists_every_name() {
    const Run r = run({QStringLiteral("--help")});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    for (const auto& f : incremental_fields()) QVERIFY2(r.out.contains(QByteArray::fromStdString(f.name)), f.name.c_str());
    for (const auto& f : absolute_fields()) QVERIFY2(r.out.contains(QByteArray::fromStdString(f.name)), f.name.c_str());
    QVERIFY(r.out.contains("--inverse") && r.out.contains("--dpi") && r.out.contains("--crop") &&
            r.out.contains("--progress") && r.out.contains("--save-design") && r.out.contains("FILE.vantor"));
    QCOMPARE(run({QStringLiteral("absolute"), QStringLiteral("-h")}).out, r.out);
  }

  void links_no_widgets() {
    const QString ldd = QStandardPaths::findExecutable(QStringLiteral("ldd"));
    if (ldd.isEmpty()) QSKIP("no ldd");
    QProcess p;
    p.start(ldd, {QStringLiteral(VANTOR_RENDER_PATH)});
    QVERIFY(p.waitForFinished());
    const QByteArray libs = p.readAllStandardOutput();
    QVERIFY2(libs.contains("libQt6Gui"), libs);
    QVERIFY2(!libs.contains("Widgets") && !libs.contains("PrintSupport"), libs);
  }
};

QTEST_GUILESS_MAIN(RenderCliTest)

#include "render_cli_test.moc"
