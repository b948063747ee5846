#pragma once

#include <string>
#include <vector>

class MSystemManager;

// `glazen-cli image FILE -o OUT.ppm`: decodes FILE with the image translator
// the manager finds for it and writes the colour buffer as a binary PPM and,
// when the image has alpha, the alpha buffer as OUT.alpha.pgm beside it.
// `args` are the words after "image". Returns the exit code: 0 when written,
// 1 when no translator takes the file or decoding or writing fails, 2 for a
// usage error. Messages go to stderr.
int RunImageCommand(MSystemManager& manager, const std::vector<std::string>& args);

// The name of the alpha picture written beside `ppmName`: a final ".ppm"
// (in any case) gives way to ".alpha.pgm", otherwise ".alpha.pgm" is appended.
std::string AlphaFileNameFor(const std::string& ppmName);
