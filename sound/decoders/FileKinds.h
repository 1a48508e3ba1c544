#pragma once

#include <cstddef>

// What the first bytes of a music file say about it, before or after the decoders tried it.
namespace Marquel::Audio {

// MP3 is only tried on an ID3 tag or a frame header at the start: mpg123 resynchronises on
// anything, and would otherwise hear noise in any file at all.
bool looksLikeMpeg(const unsigned char* data, size_t size);

// Whether a file that no decoder opens is music of a format they know, cut short (or
// damaged) before its audio. A whole file is of an unknown format, also in a container that
// music uses too (a WebP or an AVI in RIFF, Theora in Ogg, a WAV of an unknown codec) or
// with sync bits like MP3's (AAC).
bool cutInHeader(const unsigned char* data, size_t size);

} // namespace Marquel::Audio
