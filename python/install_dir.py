"""Prints where Python packages go under an installation prefix, relative to it, for the
interpreter running this script (used by the CMake install component "python")."""

import sys
import sysconfig

prefix = sys.argv[1].rstrip("/") or "/"
version = "%d.%d" % sys.version_info[:2]
debian = "deb_system" in sysconfig.get_scheme_names()
if debian and prefix == "/usr":
    print("lib/python3/dist-packages")
elif debian:
    print("lib/python%s/dist-packages" % version)
else:
    print("lib/python%s/site-packages" % version)
