#pragma once

// Every text the status labels FZoom and FCenter can carry (UTF-8). The
// viewer writes them as its display state; the panel sizes its labels' font
// so that each of them shows whole.
namespace vistel::status_texts {

inline constexpr const char* kFullSize = "原图显示";
inline constexpr const char* kWholePicture = "图像全貌";
inline constexpr const char* kCropped = "裁剪图形";
inline constexpr const char* kProportionalShrink = "比例缩小";
inline constexpr const char* kProportionalScaling = "比例缩放";
inline constexpr const char* kFreeScaling = "非比例缩放";
inline constexpr const char* kCentred = "居中";
inline constexpr const char* kNotCentred = "非居中";

inline constexpr const char* kZoomTexts[] = {
    kFullSize, kWholePicture, kCropped, kProportionalShrink, kProportionalScaling, kFreeScaling};
inline constexpr const char* kCenterTexts[] = {kNotCentred, kCentred};

}  // namespace vistel::status_texts
