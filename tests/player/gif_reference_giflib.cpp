#include <gif_lib.h>

#include <utility>

#include "gif_reference.h"

namespace {

std::string Describe(int status) {
  const char* text = GifErrorString(status);
  return text ? text : "giflib error " + std::to_string(status);
}

}  // namespace

bool LoadWithGiflib(const std::string& path, ReferenceGif* gif, std::string* error) {
  int status = 0;
  GifFileType* file = DGifOpenFileName(path.c_str(), &status);
  if (file == nullptr) {
    *error = Describe(status);
    return false;
  }
  bool ok = DGifSlurp(file) == GIF_OK;
  if (!ok) *error = Describe(file->Error);
  if (ok) {
    *gif = ReferenceGif();
    gif->width = file->SWidth;
    gif->height = file->SHeight;
    if (file->SColorMap) {
      for (int i = 0; i < file->SColorMap->ColorCount; i++) {
        const GifColorType& c = file->SColorMap->Colors[i];
        gif->colours.push_back(c.Red | c.Green << 8 | static_cast<uint32_t>(c.Blue) << 16);
      }
    }
    for (int i = 0; i < file->ImageCount; i++) {
      const SavedImage& image = file->SavedImages[i];
      ReferenceFrame frame;
      frame.left = image.ImageDesc.Left;
      frame.top = image.ImageDesc.Top;
      frame.width = image.ImageDesc.Width;
      frame.height = image.ImageDesc.Height;
      frame.interlaced = image.ImageDesc.Interlace;
      GraphicsControlBlock control;
      if (DGifSavedExtensionToGCB(file, i, &control) == GIF_OK) frame.delay = control.DelayTime;
      // DGifSlurp has already put interlaced rows in display order.
      frame.indices.assign(image.RasterBits, image.RasterBits + static_cast<size_t>(frame.width) * frame.height);
      gif->frames.push_back(std::move(frame));
    }
  }
  DGifCloseFile(file, &status);
  return ok;
}
