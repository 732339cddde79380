#include "support/picture_builders.h"

#include <cstddef>
#include <cstdio>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>

// libpng and libjpeg report errors by longjmp; the calls that can fail sit in functions whose
// frames hold only plain data, and the C++ objects live in their callers.

namespace gf::test {

namespace {

// ---- PNG ----

void PngAppend(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngNoFlush(png_structp) {}

int PngChannels(int colorType) {
    switch (colorType) {
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
        default:
            throw std::runtime_error("bad PNG colour type");
    }
}

std::vector<std::uint8_t> PackPngRow(const PngFileRecipe& recipe, int y) {
    int channels = PngChannels(recipe.ColorType);
    std::size_t samples = static_cast<std::size_t>(recipe.Width) * channels;
    std::vector<std::uint8_t> row((samples * recipe.BitDepth + 7) / 8, 0);
    const std::uint16_t* in = recipe.Samples.data() + samples * static_cast<std::size_t>(y);
    for (std::size_t i = 0; i < samples; ++i) {
        unsigned v = in[i];
        if (recipe.BitDepth == 16) {
            row[2 * i] = static_cast<std::uint8_t>(v >> 8);
            row[2 * i + 1] = static_cast<std::uint8_t>(v);
        } else if (recipe.BitDepth == 8) {
            row[i] = static_cast<std::uint8_t>(v);
        } else {
            std::size_t bit = i * recipe.BitDepth;
            int shift = 8 - recipe.BitDepth - static_cast<int>(bit % 8);
            row[bit / 8] |= static_cast<std::uint8_t>(v << shift);
        }
    }
    return row;
}

bool WritePngCore(png_structp png, png_infop info, const PngFileRecipe* recipe, png_colorp palette,
                  int paletteCount, png_bytep alpha, int alphaCount, png_color_16p key,
                  png_bytepp rows) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, recipe->Width, recipe->Height, recipe->BitDepth, recipe->ColorType,
                 recipe->Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (paletteCount > 0)
        png_set_PLTE(png, info, palette, paletteCount);
    if (alphaCount > 0 || key)
        png_set_tRNS(png, info, alpha, alphaCount, key);
    if (recipe->FileGamma)
        png_set_gAMA(png, info, *recipe->FileGamma);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// ---- JPEG ----

struct JpegErrorJump {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
};

void JpegJump(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorJump*>(cinfo->err)->Jump, 1);
}

void JpegQuiet(j_common_ptr, int) {}

bool WriteJpegCore(jpeg_compress_struct* c, const JpegFileRecipe* recipe, JSAMPARRAY rows,
                   unsigned char** out, unsigned long* outSize) {
    if (setjmp(reinterpret_cast<JpegErrorJump*>(c->err)->Jump))
        return false;
    jpeg_create_compress(c);
    jpeg_mem_dest(c, out, outSize);
    c->image_width = static_cast<JDIMENSION>(recipe->Width);
    c->image_height = static_cast<JDIMENSION>(recipe->Height);
    switch (recipe->Kind) {
        case JpegFileKind::Grey:
            c->input_components = 1;
            c->in_color_space = JCS_GRAYSCALE;
            break;
        case JpegFileKind::Rgb:
            c->input_components = 3;
            c->in_color_space = JCS_RGB;
            break;
        case JpegFileKind::Cmyk:
        case JpegFileKind::Ycck:
            c->input_components = 4;
            c->in_color_space = JCS_CMYK;
            break;
    }
    jpeg_set_defaults(c);
    if (recipe->Kind == JpegFileKind::Ycck)
        jpeg_set_colorspace(c, JCS_YCCK);
    if (recipe->Kind == JpegFileKind::Cmyk || recipe->Kind == JpegFileKind::Ycck)
        c->write_Adobe_marker = recipe->AdobeMarker ? TRUE : FALSE;
    jpeg_set_quality(c, recipe->Quality, TRUE);
    if (recipe->FullChroma) {
        for (int i = 0; i < c->num_components; ++i) {
            c->comp_info[i].h_samp_factor = 1;
            c->comp_info[i].v_samp_factor = 1;
        }
    }
    if (recipe->Progressive)
        jpeg_simple_progression(c);
    jpeg_start_compress(c, TRUE);
    while (c->next_scanline < c->image_height)
        jpeg_write_scanlines(c, rows + c->next_scanline, 1);
    jpeg_finish_compress(c);
    return true;
}

// ---- GIF ----

int GifAppend(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using MapHandle = std::unique_ptr<ColorMapObject, MapDeleter>;

MapHandle MakeMap(const std::vector<Color>& colours) {
    if (colours.empty())
        return nullptr;
    int size = 2;
    while (size < static_cast<int>(colours.size()))
        size *= 2;
    std::vector<GifColorType> entries(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < colours.size(); ++i)
        entries[i] = GifColorType{RedOf(colours[i]), GreenOf(colours[i]), BlueOf(colours[i])};
    MapHandle map(GifMakeMapObject(size, entries.data()));
    if (!map)
        throw std::runtime_error("GifMakeMapObject failed");
    return map;
}

void Check(int status, GifFileType* gif, const char* what) {
    if (status == GIF_ERROR)
        throw std::runtime_error(std::string(what) + " failed: " +
                                 (GifErrorString(gif->Error) ? GifErrorString(gif->Error) : ""));
}

}  // namespace

std::vector<std::uint8_t> MakePngFile(const PngFileRecipe& recipe) {
    std::size_t expected = static_cast<std::size_t>(recipe.Width) * recipe.Height *
                           static_cast<std::size_t>(PngChannels(recipe.ColorType));
    if (recipe.Samples.size() != expected)
        throw std::runtime_error("PNG samples do not match the size");
    std::vector<std::vector<std::uint8_t>> packed;
    std::vector<png_bytep> rows;
    for (int y = 0; y < recipe.Height; ++y)
        packed.push_back(PackPngRow(recipe, y));
    for (auto& row : packed)
        rows.push_back(row.data());
    std::vector<png_color> palette;
    for (Color c : recipe.Palette)
        palette.push_back(png_color{RedOf(c), GreenOf(c), BlueOf(c)});
    std::vector<png_byte> alpha(recipe.PaletteAlpha.begin(), recipe.PaletteAlpha.end());
    png_color_16 key{};
    if (recipe.TransparentKey) {
        key.gray = (*recipe.TransparentKey)[0];
        key.red = (*recipe.TransparentKey)[0];
        key.green = (*recipe.TransparentKey)[1];
        key.blue = (*recipe.TransparentKey)[2];
    }

    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        throw std::runtime_error("libpng could not start");
    }
    png_set_write_fn(png, &out, PngAppend, PngNoFlush);
    bool ok = WritePngCore(png, info, &recipe, palette.empty() ? nullptr : palette.data(),
                           static_cast<int>(palette.size()), alpha.empty() ? nullptr : alpha.data(),
                           static_cast<int>(alpha.size()), recipe.TransparentKey ? &key : nullptr,
                           rows.data());
    png_destroy_write_struct(&png, &info);
    if (!ok)
        throw std::runtime_error("libpng could not write the test picture");
    return out;
}

std::vector<std::uint8_t> MakeJpegFile(const JpegFileRecipe& recipe) {
    int components = recipe.Kind == JpegFileKind::Grey  ? 1
                     : recipe.Kind == JpegFileKind::Rgb ? 3
                                                        : 4;
    std::size_t rowBytes = static_cast<std::size_t>(recipe.Width) * components;
    if (recipe.Samples.size() != rowBytes * recipe.Height)
        throw std::runtime_error("JPEG samples do not match the size");
    std::vector<std::uint8_t> samples = recipe.Samples;
    std::vector<JSAMPROW> rows;
    for (int y = 0; y < recipe.Height; ++y)
        rows.push_back(samples.data() + rowBytes * y);

    jpeg_compress_struct c{};
    JpegErrorJump err{};
    c.err = jpeg_std_error(&err.Base);
    err.Base.error_exit = JpegJump;
    err.Base.emit_message = JpegQuiet;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    bool ok = WriteJpegCore(&c, &recipe, rows.data(), &buffer, &size);
    jpeg_destroy_compress(&c);
    std::vector<std::uint8_t> out;
    if (ok)
        out.assign(buffer, buffer + size);
    std::free(buffer);
    if (!ok)
        throw std::runtime_error("libjpeg could not write the test picture");
    return out;
}

std::vector<std::uint8_t> MakeGifFile(const GifFileRecipe& recipe) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifAppend, &error);
    if (!gif)
        throw std::runtime_error("EGifOpen failed");
    struct Closer {
        GifFileType*& Gif;
        ~Closer() {
            if (Gif) {
                int e = 0;
                EGifCloseFile(Gif, &e);
            }
        }
    } closer{gif};

    EGifSetGifVersion(gif, true);
    MapHandle global = MakeMap(recipe.GlobalColours);
    int resolution = global ? global->BitsPerPixel : 8;
    Check(EGifPutScreenDesc(gif, recipe.Width, recipe.Height, resolution, 0, global.get()), gif,
          "EGifPutScreenDesc");
    for (const GifFrameRecipe& frame : recipe.Frames) {
        if (frame.Indices.size() != static_cast<std::size_t>(frame.Width) * frame.Height)
            throw std::runtime_error("GIF frame indices do not match the size");
        if (frame.WriteControl) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = frame.Disposal;
            gcb.DelayTime = frame.DelayCs;
            gcb.TransparentColor = frame.Transparent;
            GifByteType ext[4];
            std::size_t length = EGifGCBToExtension(&gcb, ext);
            Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), ext), gif,
                  "EGifPutExtension");
        }
        MapHandle local = MakeMap(frame.LocalColours);
        // giflib 5.2 forgets (and leaks) the previous frame's local map when the next frame
        // has none; release it first.
        if (!local && gif->Image.ColorMap) {
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
        Check(EGifPutImageDesc(gif, frame.Left, frame.Top, frame.Width, frame.Height,
                               frame.Interlaced, local.get()),
              gif, "EGifPutImageDesc");
        std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
        auto putRow = [&](int r) {
            std::copy_n(frame.Indices.begin() + static_cast<std::ptrdiff_t>(r) * frame.Width,
                        frame.Width, line.begin());
            Check(EGifPutLine(gif, line.data(), frame.Width), gif, "EGifPutLine");
        };
        if (frame.Interlaced) {
            const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int r = start[pass]; r < frame.Height; r += step[pass])
                    putRow(r);
        } else {
            for (int r = 0; r < frame.Height; ++r)
                putRow(r);
        }
    }
    int closeError = 0;
    GifFileType* closing = gif;
    gif = nullptr;
    if (EGifCloseFile(closing, &closeError) == GIF_ERROR)
        throw std::runtime_error("EGifCloseFile failed");
    if (!recipe.Trailer && !out.empty() && out.back() == ';')
        out.pop_back();
    return out;
}

GifFrameRecipe SolidGifFrame(int left, int top, int width, int height, std::uint8_t index) {
    GifFrameRecipe frame;
    frame.Left = left;
    frame.Top = top;
    frame.Width = width;
    frame.Height = height;
    frame.Indices.assign(static_cast<std::size_t>(width) * height, index);
    return frame;
}

}  // namespace gf::test
