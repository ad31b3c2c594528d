// Helpers that the window, command, export and print tests share.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <string>
#include <variant>
#include <vector>

#include "render/render_args.h"
#include "request/disc_job.h"

namespace vantor::test {

struct Run {
  int status = -1;  // -1: did not start, did not end within four minutes, or crashed
  QByteArray out, err;
};

inline Run run(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
  QProcess p;
  p.setProcessEnvironment(env);
  p.start(program, args);
  if (!p.waitForFinished(240000)) return {};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

inline bool write_file(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}

// The whole file; empty when it cannot be read.
inline QByteArray file_bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// vantor-render's request for those arguments; throws on a usage error.
inline RenderRequest render_request(const std::vector<std::string>& words) {
  return std::get<RenderRequest>(parse_render_args(words));
}

// The request's region drawn at once, as vantor-render draws it in bands.
inline Surface drawn_region(const RenderRequest& request) {
  const DiscJob job(request);
  const DiscRecording recording = job.record();
  const PixelRect region = job.region(recording.geometry);
  Surface s = job.band(region, 0, region.height);
  job.draw(s, recording);
  return s;
}

}  // namespace vantor::test
