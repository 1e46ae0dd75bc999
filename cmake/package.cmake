# The Debian package (cpack -G DEB in a build folder configured with
# -DCMAKE_INSTALL_PREFIX=/usr -DBALANTRIX_CRASH_POINTS=OFF -DBALANTRIX_TESTS=OFF; see
# scripts/package.sh). Library dependencies come from dpkg-shlibdeps; what the program
# loads at run time without linking it is named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME balantrix)
set(CPACK_PACKAGE_VENDOR Balantrix)
set(CPACK_PACKAGE_CONTACT "Balantrix <balantrix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "weighbridge program: weighing desks, tickets and ERP documents")
set(CPACK_PACKAGE_DESCRIPTION "Two weighing desks (outgoing loads, incoming deliveries), a ticket per weighing
printed, in PDF or by e-mail, the ERP document of every finished weighing, period
reports, and the command-line tool balantrix-cli. SQLite for one workstation,
PostgreSQL or SQL Server for several.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# The embedded database's driver, fonts the PDF tickets embed, Qt's own texts in
# Portuguese, the SVG plugins that draw the program's icon.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, fonts-dejavu-core, qt6-translations-l10n, libqt6svg6")
# Several workstations: PostgreSQL, or SQL Server through ODBC with FreeTDS.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, libqt6sql6-odbc, tdsodbc")
include(CPack)
