# Libraries orvcore links against; all come from Debian packages (scripts/install-deps.sh).
find_package(Threads REQUIRED)
target_link_libraries(orvcore PUBLIC Threads::Threads)
