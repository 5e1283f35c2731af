# Libraries orvcore links against; all come from Debian packages (scripts/install-deps.sh).
find_package(Threads REQUIRED)
target_link_libraries(orvcore PUBLIC Threads::Threads)

# --- Geometry and text stamp -----------------------------------------------------------------
# TurboJPEG for lossless JPEG transforms; FreeType and fontconfig for the text stamp's fonts.
pkg_check_modules(ORV_GEOMETRY REQUIRED IMPORTED_TARGET libturbojpeg freetype2 fontconfig)
target_link_libraries(orvcore PUBLIC PkgConfig::ORV_GEOMETRY)
