#include "gui/metafile_image.h"

#include <emf2svg.h>

#include <QByteArray>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace ormakin {

namespace {

// The enhanced metafile as SVG text drawn at width x height, or empty when
// the converter refuses it.
QByteArray EmfToSvg(const TMetafile& meta, int width, int height) {
  // The converter takes its input as writable bytes: it gets a copy.
  std::vector<char> contents(meta.Bytes().begin(), meta.Bytes().end());
  generatorOptions options{};
  char noNamespace[] = "";
  options.nameSpace = noNamespace;
  options.svgDelimiter = true;
  options.imgWidth = width;
  options.imgHeight = height;
  char* out = nullptr;
  std::size_t length = 0;
  const int converted = emf2svg(contents.data(), contents.size(), &out, &length, &options);
  const std::unique_ptr<char, decltype(&std::free)> owned(out, &std::free);
  if (converted == 0 || out == nullptr) return {};
  return {out, static_cast<qsizetype>(length)};
}

}  // namespace

MetafileRenderer::MetafileRenderer() = default;
MetafileRenderer::~MetafileRenderer() = default;

QImage MetafileRenderer::Render(const std::shared_ptr<const TMetafile>& meta, const QSize& limit,
                                const QColor& ground) {
  if (meta == nullptr) return {};
  const int width = std::min(meta->Width(), limit.width());
  const int height = std::min(meta->Height(), limit.height());
  if (width <= 0 || height <= 0) return {};
  if (meta != meta_) {
    meta_ = meta;
    svg_.reset();
    if (meta->Enhanced()) {
      ++conversions_;
      auto svg = std::make_unique<QSvgRenderer>(EmfToSvg(*meta, meta->Width(), meta->Height()));
      if (svg->isValid()) svg_ = std::move(svg);
    }
  }
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(ground);
  if (svg_ != nullptr) {
    QPainter painter(&image);
    svg_->render(&painter, QRectF(0, 0, meta->Width(), meta->Height()));
  }
  return image;
}

void MetafileRenderer::Release() {
  meta_.reset();
  svg_.reset();
}

}  // namespace ormakin
