# A Debian package of the program: `cpack -G DEB` in the build folder (see README, Install).
set(CPACK_PACKAGE_NAME vantoria)
set(CPACK_PACKAGE_VENDOR "Vantoria")
set(CPACK_PACKAGE_CONTACT "Vantoria developers <vantoria@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop image editor")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Opens raster images, shows each in its own window, applies colour adjustments,\ngeometric transforms and 3 x 3 filters with live preview, undoes and redoes\nwithout limit and saves in every format Qt can write. Includes vantoria-batch,\nwhich runs the same operations on files from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link come from dpkg-shlibdeps; the image-format plugins are loaded
# at run time (TIFF, WebP, ...) and so are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, libqt6svg6, fonts-wqy-zenhei | fonts-noto-cjk")
include(CPack)
