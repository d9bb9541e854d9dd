#pragma once

// The drawings of the sample pictures, and the small painting helpers they
// share. Each draw function returns the finished picture.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <cstdint>

#include "file_writers.h"
#include "paint_kit.h"

namespace assetgen {

double smoothstep(double a, double b, double x);
QImage newCanvas(int w, int h);
void paintClouds(QImage& img, int horizon, double sx, double sy, std::uint32_t seed, double cover);
QPainterPath ridge(double width, double base, double amplitude, double scale, std::uint32_t seed,
                   double bottom);
void paintTree(QPainter& p, QPointF foot, double size, Rng& rng);
QImage drawMeadow();
QImage drawDunes();
QImage drawMistyLake();
QImage drawLighthouse();
QImage drawRose();
QImage drawTulips();
QImage drawPianoKeys();
QImage drawGarden();
QImage indexExact(const QImage& source);
QImage drawSunsetBands();
QImage drawStainedGlass();
QImage drawMosaic();
QImage drawMoonlitNight();

}  // namespace assetgen
