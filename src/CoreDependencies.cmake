# Libraries orvcore links against; all come from Debian packages (scripts/install-deps.sh).
find_package(Threads REQUIRED)
target_link_libraries(orvcore PUBLIC Threads::Threads)

# Image codecs: libjpeg-turbo (6b interface), libpng, libtiff, zlib; libwmf for metafile playback.
pkg_check_modules(ORV_CODECS REQUIRED IMPORTED_TARGET libjpeg libpng libtiff-4 zlib)
pkg_check_modules(ORV_WMF REQUIRED IMPORTED_TARGET libwmf)
target_link_libraries(orvcore PUBLIC PkgConfig::ORV_CODECS PkgConfig::ORV_WMF)

# TurboJPEG for lossless JPEG transforms; FreeType and fontconfig for the text stamp's fonts.
pkg_check_modules(ORV_GEOMETRY REQUIRED IMPORTED_TARGET libturbojpeg freetype2 fontconfig)
target_link_libraries(orvcore PUBLIC PkgConfig::ORV_GEOMETRY)

# HEIC and AVIF through libheif (its HEVC and AV1 codecs come with Debian's libheif1); Little CMS
# builds the ICC profile that matches a HEIF file's nclx colour description.
pkg_check_modules(ORV_HEIF REQUIRED IMPORTED_TARGET libheif lcms2)
target_link_libraries(orvcore PUBLIC PkgConfig::ORV_HEIF)

# Camera RAW: LibRaw decodes (its thread-safe build), exiv2 reads the metadata of every RAW
# container.
pkg_check_modules(ORV_RAW REQUIRED IMPORTED_TARGET libraw_r exiv2)
target_link_libraries(orvcore PUBLIC PkgConfig::ORV_RAW)
# Highway for the vector kernels and their dispatch at run time (the targets built are chosen in
# filters/VectorTarget.h).
# The library alone: the headers are in the default include path, and libhwy.pc's own
# -I/usr/include, made a system directory, would break the C++ headers' #include_next.
find_library(ORV_HWY_LIBRARY hwy REQUIRED)
find_path(ORV_HWY_INCLUDE hwy/highway.h REQUIRED)
target_link_libraries(orvcore PUBLIC ${ORV_HWY_LIBRARY})
