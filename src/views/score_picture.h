#pragma once

#include <memory>
#include <string>

#include "app/played_trace.h"
#include "app/score_frame.h"
#include "app/score_roll.h"

// Kept free of Qt headers: the command line and the benchmarks include it.
namespace ostinel::views {

// Makes drawing with text possible in a program without a window: while it
// lives, a Qt application on the offscreen platform, unless one exists.
// main thread
class OffscreenDrawing {
  public:
    OffscreenDrawing();
    ~OffscreenDrawing();
    OffscreenDrawing(const OffscreenDrawing&) = delete;
    OffscreenDrawing& operator=(const OffscreenDrawing&) = delete;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A picture of `width` x `height` design pixels at `scale` that frames are
// drawn into one after another, as the desktop view's paint events do.
// main thread, with an OffscreenDrawing or an application alive
class ScoreCanvas {
  public:
    ScoreCanvas(double width, double height, double scale);
    ~ScoreCanvas();
    ScoreCanvas(const ScoreCanvas&) = delete;
    ScoreCanvas& operator=(const ScoreCanvas&) = delete;
    void Draw(const ScoreFrame& frame);
    // The first pixel, so that a benchmark's drawing is not optimised away.
    unsigned FirstPixel() const;

  private:
    struct Image;
    std::unique_ptr<Image> image_;
};

// Draws the Score view of `viewport` at `scale` into a PNG file at `path`,
// without a window. False when the file cannot be written.
// main thread
bool WriteScorePicture(const ScoreRoll& roll, const PlayedTrace* trace,
                       const ScoreViewport& viewport, double scale, const std::string& path);

}  // namespace ostinel::views
