#include "ui/dialogs/jpeg_decoder.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

namespace kelmor {
namespace {

// A corrupt header could ask for gigabytes; nothing this program shows is anywhere near this.
constexpr JDIMENSION kMaxSide = 8192;

// libjpeg reports a fatal error through error_exit, which must not return. Ours jumps back
// to the step that armed `resume`. Those steps hold only plain data in their frames, so the
// jump skips no destructor.
struct ErrorManager {
    jpeg_error_mgr base;  // first member: libjpeg only sees a jpeg_error_mgr*
    std::jmp_buf resume;
    char message[JMSG_LENGTH_MAX];
};

struct Decoder {
    jpeg_decompress_struct info;
    ErrorManager errors;
};

ErrorManager& ErrorsOf(j_common_ptr info) {
    return *reinterpret_cast<ErrorManager*>(info->err);
}

[[noreturn]] void JumpBack(j_common_ptr info) {
    ErrorManager& errors = ErrorsOf(info);
    (*info->err->format_message)(info, errors.message);
    std::longjmp(errors.resume, 1);
}

// Negative levels are corrupt-data warnings: libjpeg would carry on and hand out a picture
// padded with grey (that is how it treats a truncated file). We keep the first one and
// refuse the picture afterwards. Trace messages are dropped instead of going to stderr.
void KeepWarning(j_common_ptr info, int level) {
    if (level >= 0) {
        return;
    }
    if (info->err->num_warnings++ == 0) {
        (*info->err->format_message)(info, ErrorsOf(info).message);
    }
}

void Refuse(Decoder& decoder, const char* reason) {
    std::snprintf(decoder.errors.message, sizeof decoder.errors.message, "%s", reason);
    jpeg_destroy_decompress(&decoder.info);
}

bool StartDecoding(Decoder& decoder, const unsigned char* data, unsigned long size) {
    decoder.info.err = jpeg_std_error(&decoder.errors.base);
    decoder.errors.base.error_exit = JumpBack;
    decoder.errors.base.emit_message = KeepWarning;
    if (setjmp(decoder.errors.resume) != 0) {
        jpeg_destroy_decompress(&decoder.info);
        return false;
    }
    jpeg_create_decompress(&decoder.info);
    jpeg_mem_src(&decoder.info, data, size);
    jpeg_read_header(&decoder.info, TRUE);
    if (decoder.info.image_width > kMaxSide || decoder.info.image_height > kMaxSide) {
        Refuse(decoder, "JPEG picture too large");
        return false;
    }
    decoder.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decoder.info);
    if (decoder.info.output_components != 3) {
        Refuse(decoder, "JPEG colour space not convertible to RGB");
        return false;
    }
    return true;
}

bool ReadRows(Decoder& decoder, unsigned char* bits, std::size_t bytesPerLine) {
    if (setjmp(decoder.errors.resume) != 0) {
        jpeg_destroy_decompress(&decoder.info);
        return false;
    }
    while (decoder.info.output_scanline < decoder.info.output_height) {
        JSAMPROW row = bits + decoder.info.output_scanline * bytesPerLine;
        if (jpeg_read_scanlines(&decoder.info, &row, 1) != 1) {
            Refuse(decoder, "JPEG data ended before the last row");
            return false;
        }
    }
    jpeg_finish_decompress(&decoder.info);
    jpeg_destroy_decompress(&decoder.info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& bytes, QString* error) {
    auto fail = [error](const char* reason) {
        if (error != nullptr) {
            *error = QString::fromLatin1(reason);
        }
        return QImage();
    };
    if (bytes.isEmpty()) {
        return fail("no JPEG data");
    }
    // Zeroed, so that a failure inside jpeg_create_decompress leaves nothing to free.
    Decoder decoder{};
    if (!StartDecoding(decoder, reinterpret_cast<const unsigned char*>(bytes.constData()),
                       static_cast<unsigned long>(bytes.size()))) {
        return fail(decoder.errors.message);
    }
    QImage image(static_cast<int>(decoder.info.output_width),
                 static_cast<int>(decoder.info.output_height), QImage::Format_RGB888);
    if (image.isNull()) {
        jpeg_destroy_decompress(&decoder.info);
        return fail("not enough memory for the JPEG picture");
    }
    if (!ReadRows(decoder, image.bits(), static_cast<std::size_t>(image.bytesPerLine()))) {
        return fail(decoder.errors.message);
    }
    if (decoder.errors.base.num_warnings > 0) {
        return fail(decoder.errors.message);
    }
    return image;
}

}  // namespace kelmor
