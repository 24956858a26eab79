"""python -m mirav info|describe|stream SERVER."""

import sys

from .cli import main

sys.exit(main())
