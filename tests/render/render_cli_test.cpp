// vantor-render run as a program, without a display: usage errors and
// refusals with their exit status and no file written or changed, the
// raster files read back (BMP by the independent reader and Qt, PNG by Qt,
// TIFF by libtiff) with their sizes, densities and pixels, progress, and
// writes that fail half-way.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <tiffio.h>
#include <cmath>

#include "bmp_reader.h"
#include "test_support.h"

using namespace vantor;

namespace {

// Runs vantor-render with no display to talk to; "@" in an argument is the
// given file's path.  `limit` is a shell command run first (a ulimit).
test::Run run(const QString& args, const QString& file, const QString& limit = QStringLiteral(":")) {
  QStringList list = args.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  for (QString& a : list) a.replace(QLatin1Char('@'), file);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
  const QString sh = limit + QStringLiteral("; exec \"$0\" \"$@\"");
  return test::run(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), sh, QStringLiteral(VANTOR_RENDER_PATH)} + list, env);
}

// The picture's size at p pixels per inch: 13000 x 9000 twips less a border
// of 2 pixels a side at 96 (scaled), halves rounded away from zero.
int picture_size(double twips, double p) { return int(std::lround(twips * p / 1440) - std::lround(4 * p / 96)); }

// A 1-bit TIFF file with Group 4 coding and its resolution per inch, as
// film plotters take it, read by libtiff; a null image otherwise.
QImage tiff_image(const QString& path) {
  std::unique_ptr<TIFF, void (*)(TIFF*)> t(TIFFOpen(QFile::encodeName(path).constData(), "r"), TIFFClose);
  std::uint32_t w = 0, h = 0;
  std::uint16_t bits = 0, photometric = 9, compression = 0, unit = 0;  // a field missing keeps an unwanted value
  float x_res = 0, y_res = 0;
  if (!t) return {};
  for (auto [tag, field] : {std::pair<ttag_t, void*>{TIFFTAG_IMAGEWIDTH, &w}, {TIFFTAG_IMAGELENGTH, &h},
                            {TIFFTAG_BITSPERSAMPLE, &bits}, {TIFFTAG_PHOTOMETRIC, &photometric},
                            {TIFFTAG_COMPRESSION, &compression}, {TIFFTAG_XRESOLUTION, &x_res},
                            {TIFFTAG_YRESOLUTION, &y_res}, {TIFFTAG_RESOLUTIONUNIT, &unit}})
    TIFFGetField(t.get(), tag, field);
  if (bits != 1 || compression != COMPRESSION_CCITTFAX4 || unit != RESUNIT_INCH || photometric > PHOTOMETRIC_MINISBLACK)
    return {};
  QImage image(int(w), int(h), QImage::Format_Grayscale8);
  image.setDotsPerMeterX(int(std::lround(x_res / 0.0254)));
  image.setDotsPerMeterY(int(std::lround(y_res / 0.0254)));
  std::vector<std::uint8_t> row(std::size_t(TIFFScanlineSize(t.get())));
  for (std::uint32_t y = 0; y < h; ++y) {
    if (TIFFReadScanline(t.get(), row.data(), y) < 0) return {};
    for (std::uint32_t x = 0; x < w; ++x)  // 1 is white in min-is-black
      image.scanLine(int(y))[x] = (row[x / 8] >> (7 - x % 8) & 1) == photometric ? 0xFF : 0x00;
  }
  return image;
}

// Arguments with @ for the output file (old.bmp), the exit status and a part
// of standard error.
struct Refusal {
  const char* args;
  int status;
  const char* says;
};
const Refusal kRefusals[] = {
    {"", 2, "incremental, absolute or a design file"},
    {"spiral -o @", 2, "\"spiral\""},
    {"absolute RES=12 -o @", 2, "no control is named \"RES\""},
    {"incremental ED=3", 2, "-o FILE"},
    {"incremental --code-table @.csv", 2, "absolute discs only"},
    {"absolute --code-table @.txt", 2, "must end in .csv or .h"},
    {"incremental -o @ -o @", 2, "twice"},
    {"incremental -o @.jpg", 2, ".bmp, .png, .tif, .svg, .pdf, .gbr or .dxf"},
    {"absolute --inverse -o @", 2, "incremental discs only"},
    {"absolute --mask -o @", 2, "incremental discs only"},
    {"incremental --target-in-hole -o @", 2, "one of the --marks"},
    // The mask's own refusals: the disc of these entries draws.
    {"incremental Mask_windows=17 --mask -o @", 1, "Too many mask windows"},
    {"incremental Mask_windows=2.5 --mask -o @", 1, "Invalid Sensor Mask entry"},
    {"incremental Mask_angle=north --mask -o @", 1, "Invalid Sensor Mask entry"},
    {"incremental CH2_ED_U CH2_ED=-0.05 --mask -o @", 1, "windows of two channels overlap"},
    {"incremental --dpi=96.5 -o @", 2, "not \"96.5\""},
    {"incremental --zoom 2 -o @", 2, "no option \"--zoom\""},
    {"incremental --save-design @.toml", 2, "must end in .vantor"},
    {"@.vantor -o @", 2, "old.bmp.vantor cannot be read: No such file"},
    {"incremental CH1_SL=0.5 CH2_SL=0.5 CH3_SL=0.5 -o @", 1, "Slot Lengths extend past the radius"},
    {"incremental --dpi 30000 -o @", 1, "a BMP file holds at most 4 GiB"},
    {"absolute -o @.d/disc.gbr", 1, "could not be written"},
    {"incremental CH2_ED_U CH2_ED=-0.05 -o @.dxf", 1, "overlap"},
    // Regression: a report of a refused design once exited 0.
    {"incremental ED=abc --report", 1, "Invalid Parameter Entry"},
    {"incremental --check -o @", 2, "--check needs --process NAME"},
    {"incremental --process film:feature=x -o @", 2, "feature takes a number above 0"},
    {"incremental CH2_ED_U CH2_ED=0.05 --bias 1000 --report -o @.svg", 1,
     "A bias of 1000.0 \u00b5m joins the slots of track 2 (counted from the rim) to those of track 1."},
    // Writes that fail half-way (the file size limit, as a full disk).
    {"ulimit -f 64|incremental --dpi 300 -o @", 1, "could not be written"},
    {"ulimit -f 64|absolute Res_exp=12 --dpi 2400 --crop -o @.png", 1, "could not be written"},
    {"ulimit -f 64|absolute Res_exp=12 --dpi 4000 --crop -o @.tif", 1, "could not be written"},
};

// Arguments with @ for the output file's name less its extension (old), the
// picture's size in pixels (0 for a vector file or a code table) and the
// file's first bytes.
struct Written {
  const char* args;
  int width, height;
  QByteArray starts;
};
const Written kWritten[] = {
    {"incremental --dpi 600 --progress -o @.bmp", picture_size(13000, 600), picture_size(9000, 600), "BM"},
    {"incremental ZoomCTRL=250 --dpi 300 --crop -o @.bmp", 1531, 1531, "BM"},
    // The mask lies on its disc: the same square.  The marks widen the crop to hold them.
    {"incremental --marks --dpi 300 --crop -o @.png", 1218, 972, "\x89PNG\r\n\x1a\n"},
    {"incremental ZoomCTRL=250 Mask_angle=30 --mask --dpi 300 --crop -o @.bmp", 1531, 1531, "BM"},
    {"absolute ED=3 S2=2 --dpi 1000 --crop --mirror --negative -o @.PNG", 1531, 1531, "\x89PNG\r\n\x1a\n"},
    // Eight Group 4 strips, each coded apart, and bands that end inside them.
    {"absolute Res_exp=8 --dpi 4000 --crop --mirror --negative -o @.tif", 8161, 8161, "II*"},
    {"incremental --dpi 300 -o @.tiff", picture_size(13000, 300), picture_size(9000, 300), "II*"},
    {"absolute Res_exp=5 --dpi 1200 --crop -o @.svg", 0, 0, "<"},
    {"absolute --report -o @.pdf", 0, 0, "%PDF-"},
    {"absolute Res_exp=6 --bias -40 --dpi 1000 --crop -o @.bmp", 2041, 2041, "BM"},
    {"incremental --mirror --negative -o @.gbr", 0, 0, "G04 "},
    {"incremental -o @.dxf", 0, 0, "999\n"},
    {"absolute Res_exp=4 gray_full_type --code-table @.csv", 0, 0,
     "start_deg,end_deg,code,bits,position\n0.000000,22.557296,0,0000,0\n"},
    // The sensors read the disc as made: the process takes the bias away.
    {"absolute Res_exp=4 gray_full_type --bias 100 --code-table @.csv", 0, 0,
     "start_deg,end_deg,code,bits,position\n0.000000,22.557296,0,0000,0\n"},
    {"absolute -o @.bmp --code-table @.h", 0, 0, "/* The code table"},
};

}  // namespace

class RenderCliTest : public QObject {
  Q_OBJECT

 private slots:
  // Status 2 for a usage error (nothing on standard output), 1 for a
  // refusal; one line on standard error; the files there untouched and no
  // other file made.
  void refused() {
    for (const Refusal& row : kRefusals) {
      QTemporaryDir dir;
      const QString file = dir.filePath(QStringLiteral("old.bmp"));
      const QByteArray old = "BM an older file";
      const QStringList exts = {"", ".jpg", ".png", ".svg", ".dxf"};
      for (const QString& ext : exts) QVERIFY(test::write_file(file + ext, old));
      const QStringList limit = QString::fromUtf8(row.args).split(QLatin1Char('|'));
      const test::Run r = limit.size() == 2 ? run(limit[1], file, limit[0]) : run(limit[0], file);
      QVERIFY2(r.status == row.status && r.err.count('\n') == 1 && r.err.endsWith('\n') && r.err.contains(row.says) &&
                   (row.status == 1 || r.out.isEmpty()),
               qPrintable(QStringLiteral("%1: exit %2: %3").arg(row.args).arg(r.status).arg(r.err)));
      for (const QString& ext : exts) QVERIFY2(test::file_bytes(file + ext) == old, row.args);
      QVERIFY2(QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot).size() == 5, row.args);
    }
  }

  // --check: status 1 when a feature fails, the file written all the same;
  // the failures on standard error, or with --report in the report alone.
  void check() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("disc.png"));
    for (const char* extra : {"", " --report"}) {
      const test::Run r = run("absolute Res_exp=16 --dpi 2000 --process film --check -o @" + QString::fromUtf8(extra), file);
      QVERIFY2(r.status == 1 && test::file_bytes(file).startsWith("\x89PNG"), r.err.constData());
      QCOMPARE(r.out.startsWith("Design report"), *extra != 0);
      QVERIFY(r.out.contains("Fails: the narrowest slot of track 1 ") != r.err.contains("Fails: the narrowest slot of track 1 "));
    }
    QCOMPARE(run(QStringLiteral("incremental --process film --check -o @"), file).status, 0);
    // Regression: a drawing with nothing to measure once passed the check.
    const test::Run none = run(QStringLiteral("absolute ED=0 --process film --check -o @"), file);
    QVERIFY2(none.status == 1 && none.err.contains("Check: fails, the drawing is not a disc"), none.err.constData());
  }

  // A design file saved by the command draws the same file as its entries;
  // entries after the file override it.
  void design_file_round_trip() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("d.vantor"));
    QCOMPARE(run(QStringLiteral("incremental RES=360 --save-design @"), file).status, 0);
    for (const QString& entries : {QString(), QStringLiteral(" ED=2.5 CH2_I")}) {
      QCOMPARE(run("@" + entries + " -o @.a.bmp", file).status, 0);
      QCOMPARE(run("incremental RES=360" + entries + " -o @.b.bmp", file).status, 0);
      QCOMPARE(test::file_bytes(file + ".a.bmp"), test::file_bytes(file + ".b.bmp"));
    }
  }

  // The files as written over an existing one: BMP and PNG of one bit a
  // pixel at the density asked for, the picture's size or the disc's square
  // with a margin of 1 % a side (2.04 R, the ends rounded outwards), every
  // pixel the drawing's (mirrored, negative as asked), the BMP read by the
  // independent reader; the vector files' first bytes; the report on
  // standard output; with --progress a line a step on standard error (a
  // pipe), then one for the writing, and without it nothing there.
  void written() {
    static const QRegularExpression steps(QStringLiteral("^(.+: drawing +\\d+ %\n)*.+: drawing 100 %\n.+: writing .+old\\.bmp\n$"));
    for (const Written& row : kWritten) {
      const QString args = QString::fromUtf8(row.args);
      QTemporaryDir dir;
      const QString base = dir.filePath(QStringLiteral("old"));
      const QString file = base + args.mid(args.lastIndexOf(QLatin1Char('.')));
      QVERIFY(test::write_file(file, QByteArray(5000, 'x')));
      const test::Run r = run(args, base);
      QVERIFY2(r.status == 0 && (args.contains(u"--progress") ? steps.match(QString::fromUtf8(r.err)).hasMatch() : r.err.isEmpty()),
               qPrintable(args + ": " + r.err));
      QCOMPARE(r.out.startsWith("Design report"), args.contains(QStringLiteral("--report")));
      const QByteArray bytes = test::file_bytes(file);
      QVERIFY2(bytes.startsWith(row.starts), row.args);
      if (row.width == 0) continue;
      const int ppm = int(std::lround(args.section(QStringLiteral("--dpi "), 1).section(u' ', 0, 0).toDouble() / 0.0254));
      const QImage image = (row.starts == "II*" ? tiff_image(file) : QImage::fromData(bytes)).convertToFormat(QImage::Format_Grayscale8);
      QCOMPARE(std::tuple(image.width(), image.height(), image.dotsPerMeterX(), image.dotsPerMeterY()),
               std::tuple(row.width, row.height, ppm, ppm));
      if (row.starts != "II*") QCOMPARE(int(bytes[row.starts == "BM" ? 28 : 24]), 1);  // bits a pixel
      // The program draws in bands; here the region is drawn at once.
      std::vector<std::string> words;
      for (const QString& a : args.split(QLatin1Char(' '))) words.push_back(a.toStdString());
      const Surface drawn = test::drawn_region(test::render_request(words));
      if (row.starts == "BM") QCOMPARE(test::differs_from(bytes, drawn), QString());
      const bool mirror = args.contains(QStringLiteral("--mirror"));
      const std::uint8_t negative = args.contains(QStringLiteral("--negative")) ? 0xFF : 0x00;
      for (int y = 0; y < row.height; ++y)
        for (int x = 0; x < row.width; ++x)
          if (image.constScanLine(y)[x] != (std::uint8_t(drawn.pixel(mirror ? row.width - 1 - x : x, y)) ^ negative))
            QFAIL(qPrintable(QStringLiteral("%1: pixel %2, %3").arg(args).arg(x).arg(y)));
    }
  }
};

QTEST_GUILESS_MAIN(RenderCliTest)

#include "render_cli_test.moc"
