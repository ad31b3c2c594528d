// SVG and PDF files of an Artwork: one page that is exactly the artwork's
// region at true size.
//
// A disc with separate outlines (disc_outlines, geometry/disc_geometry.h)
// is written as it is made: one dark path filled with the even-odd rule,
// the rim with the shaft hole and every slot as holes (in the inverse
// drawing the dark path is the slots and the shaft hole, and the rim is a
// one-pixel stroke, as the picture has it), then the centre mark and the
// aids for assembly as drawn (in SVG the groups "centre-mark" and
// "assembly-aids", in PDF the marked content /CentreMark and /AssemblyAids).
// No figures overlap.  An SVG path that grows beyond about 8 MB goes on in
// a new path in the holes' colour (rsvg-convert refuses an attribute over
// 10,000,000 bytes).  The shaft hole is the figure's radius, without the
// one-pixel outline the picture draws inside it.
//
// Any other drawing (tracks that meet, reach into the shaft hole or the
// rim; figures that are no disc) is painted in the figures' order (artwork.h)
// with filled areas only, nonzero rule: a figure's fill, its outline (the
// band between radii pr - 1 and pr along its arc, i.e. the one-pixel stroke
// centred on pr - 0.5, squared off along radii at the arc's ends) and its
// radius lines and lines (the one-pixel stroke between the end pixels'
// centres, with square caps, so the end pixels are covered) are outlines
// traced counter-clockwise on screen.  Consecutive areas of one colour are
// therefore one path whose fill is their union, which keeps the painter's
// order and the files short.  An outline lying inside the fill of its own
// figure in the same colour is left out, and a line repeated within one
// path is written once.
//
// Film options: the mirror is a transformation of the whole page (x to
// width - x); the negative is a dark page under everything with every
// colour exchanged.
//
// Numbers are written in the C locale's form (digits, an optional '-' and
// '.', never an exponent or a comma), rounded to 1/10000 of a canvas pixel
// (SVG: no finer than 1 nm, 7 decimals of an inch or 6 of a millimetre).
#pragma once

#include <string>

#include "export/artwork.h"

namespace vantor {

// An SVG 1.1 document.  Its width and height carry the artwork's unit ("mm"
// or "in") and its viewBox is in that unit, so that one user unit is one
// millimetre or one inch; x runs to the right and y downward from the
// region's top-left corner.  Arcs are exact SVG arc commands.
std::string svg_file(const Artwork& art);

// A PDF 1.4 document of one page.  The MediaBox is the region in points
// (72 per inch); the content stream maps canvas pixels to points with one
// transformation that also flips y, so the geometry is written in pixels
// from the region's top-left corner.  Arcs are cubic Bezier curves of at
// most 11.25 degrees each (see svg_pdf.cpp for the error bound).  The stream
// is not compressed.
std::string pdf_file(const Artwork& art);

}  // namespace vantor
