"""The product's catalogue (src/core/catalogue.h), read rather than retyped: the models of the
selection and the package files, each in its order."""

import functools
import re
from pathlib import Path

CATALOGUE = Path(__file__).resolve().parents[2] / "src" / "core" / "catalogue.h"


@functools.lru_cache(maxsize=None)
def _list(name: str) -> tuple:
    text = CATALOGUE.read_text()
    body = re.search(rf"\b{name}\s*=\s*\{{(.*?)\}};", text, re.S)
    if body is None:
        raise RuntimeError(f"{CATALOGUE} has no list {name}")
    return tuple(re.findall(r'"([^"]*)"', body.group(1)))


def models() -> tuple:
    return _list("kModelNames")


def package_files() -> tuple:
    return _list("kPackageFileNames")
