#!/usr/bin/env python3
"""Regenerates the reference renderings of the metafile fixtures with LibreOffice.

Each fixture under wmf/ and emf/ that is expected to draw is opened in a hidden Draw
document and its graphic is exported as PNG into references/<fixture name>.png, at the
fixture's natural size (96 dpi: a placeable WMF's bounding box over its units per inch, an
EMF's frame in 0.01 mm) multiplied by the smallest whole factor that brings its longer side
to MIN_SIDE pixels, so that small pictures are compared by their shapes rather than by the
rasterisation of a few pixels. With --make-emf, the EMF fixtures written by LibreOffice
(emf/lo_*.emf) are first made again from the WMF fixtures named in LO_EMF_SOURCES.

Needs: libreoffice-draw and python3-uno (Debian), run with the system python3:
    /usr/bin/python3 tests/data/metafile/make_references.py [--make-emf] [fixture names]
With fixture names (e.g. gen_maskblt.emf), only their references are made again.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue

HERE = os.path.dirname(os.path.abspath(__file__))
# Fixtures that are broken on purpose have no reference.
NO_REFERENCE = {"derived_lo_truncated_300b.wmf", "derived_empty_0b.emf", "derived_text_named_emf.emf"}
MIN_SIDE = 400
sys.path.insert(0, HERE)
import make_fixtures  # noqa: E402  (the equivalents of fixtures LibreOffice cannot play)
LO_EMF_SOURCES = ["wmfviewer_sample.wmf", "wmf2svg_symbol-font-tables.wmf", "inkscape_shapes_text.wmf",
                  "wmfviewer_media_image208.wmf"]


def natural_size(path):
    data = open(path, "rb").read()
    if path.endswith(".wmf"):
        key, _, left, top, right, bottom, inch = struct.unpack_from("<IHhhhhH", data, 0)
        assert key == 0x9AC6CDD7, "only placeable WMF fixtures have references"
        return round(abs(right - left) * 96 / inch), round(abs(bottom - top) * 96 / inch)
    frame = struct.unpack_from("<4i", data, 24)
    return round((frame[2] - frame[0]) / 2540 * 96), round((frame[3] - frame[1]) / 2540 * 96)


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def connect(profile):
    pipe = "zarovia_metafile_refs"
    office = subprocess.Popen(["soffice", "--headless", "--invisible", "--norestore",
                               "-env:UserInstallation=file://" + profile,
                               "--accept=pipe,name=%s;urp;" % pipe])
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(60):
        try:
            ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            return office, ctx
        except Exception:
            time.sleep(0.5)
    raise RuntimeError("LibreOffice did not start")


def render(ctx, source, target, sized_as):
    smgr = ctx.ServiceManager
    desktop = smgr.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(source), "_blank", 0, (prop("Hidden", True),))
    try:
        shape = doc.DrawPages.getByIndex(0).getByIndex(0)
        width, height = natural_size(sized_as)
        factor = max(1, -(-MIN_SIDE // max(width, height)))
        width, height = width * factor, height * factor
        export = smgr.createInstanceWithContext("com.sun.star.drawing.GraphicExportFilter", ctx)
        export.setSourceDocument(shape)
        data = uno.Any("[]com.sun.star.beans.PropertyValue",
                       (prop("PixelWidth", width), prop("PixelHeight", height)))
        export.filter((prop("URL", uno.systemPathToFileUrl(target)), prop("MediaType", "image/png"),
                       prop("FilterData", data)))
    finally:
        doc.close(True)


def main():
    if "--make-emf" in sys.argv:
        with tempfile.TemporaryDirectory() as out:
            sources = [os.path.join(HERE, "wmf", name) for name in LO_EMF_SOURCES]
            subprocess.run(["soffice", "--headless", "--convert-to", "emf", "--outdir", out] + sources, check=True)
            for name in LO_EMF_SOURCES:
                shutil.copy(os.path.join(out, name[:-4] + ".emf"), os.path.join(HERE, "emf", "lo_" + name[:-4] + ".emf"))
    profile = tempfile.mkdtemp()
    scratch = tempfile.mkdtemp()
    equivalents = make_fixtures.equivalents()
    office, ctx = connect(profile)
    try:
        os.makedirs(os.path.join(HERE, "references"), exist_ok=True)
        only = [a for a in sys.argv[1:] if not a.startswith("--")]
        for kind in ("wmf", "emf"):
            for name in sorted(os.listdir(os.path.join(HERE, kind))):
                if name in NO_REFERENCE or (only and name not in only):
                    continue
                fixture = os.path.join(HERE, kind, name)
                source = fixture
                if name in equivalents:
                    # Rendered from a file of records LibreOffice plays (make_fixtures.py),
                    # at the fixture's own size.
                    data = equivalents[name]
                    source = os.path.join(scratch, name[:-4] + (".emf" if data[:4] == b"\x01\0\0\0" else ".wmf"))
                    with open(source, "wb") as f:
                        f.write(data)
                render(ctx, source, os.path.join(HERE, "references", name + ".png"), fixture)
                print("rendered", name)
    finally:
        office.terminate()
        office.wait()
        shutil.rmtree(profile, ignore_errors=True)
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
