#!/usr/bin/env python3
"""Writes survey_rt/epsg_grids.inc, the rows of the named grids (epsg_grids.h),
from the EPSG registry as PROJ's database holds it (Debian's proj-data:
/usr/share/proj/proj.db, EPSG v10.076 with PROJ 9.1.1):

    /usr/bin/python3 survey_rt/make_epsg_grids.py [PROJ_DB] > survey_rt/epsg_grids.inc

Every figure of a row is the registry's own: the projected system's name, its
geographic system (name and code), the projection method (Transverse
Mercator 9807, Lambert conic 9801 or 9802), its parameters converted to
decimal degrees and metres, and its ellipsoid's code. The grids taken are
those of CODES: projected systems whose datum the registry takes as equal to
WGS 84 (a transformation to WGS 84 of zero shift); the script stops when one
is not, or uses another method or unit.
"""

import sqlite3
import sys
from fractions import Fraction

# (first, last) code ranges, each a family, with what it is.
CODES = [
    (32601, 32660),  # WGS 84 / UTM zones 1N-60N
    (32701, 32760),  # WGS 84 / UTM zones 1S-60S
    (25828, 25838),  # ETRS89 / UTM zones 28N-38N (38N deprecated in the registry)
    (4647, 4647),    # ETRS89 / UTM zone 32N (zE-N): the zone before the easting
    (5650, 5650),    # ETRS89 / UTM zone 33N (zE-N)
    (3034, 3034),    # ETRS89-extended / LCC Europe
    (3067, 3067),    # ETRS89 / TM35FIN(E,N)
    (3873, 3885),    # ETRS89 / GK19FIN-GK31FIN
    (5105, 5130),    # ETRS89 / NTM zones 5-30 (Norway)
    (4093, 4096),    # ETRS89 / DKTM1-4 (Denmark)
    (3763, 3763),    # ETRS89 / Portugal TM06
    (3812, 3812),    # ETRS89 / Belgian Lambert 2008
    (6328, 6348),    # NAD83(2011) / UTM zones 59N, 60N, 1N-19N
    (26901, 26923),  # NAD83 / UTM zones 1N-23N
    (7846, 7859),    # GDA2020 / MGA zones 46-59
    (28348, 28358),  # GDA94 / MGA zones 48-58
    (2193, 2193),    # NZGD2000 / New Zealand Transverse Mercator 2000
    (2105, 2135),    # NZGD2000 / the meridional circuits 2000, UTM zones 58S-60S
    (7799, 7801),    # BGS2005 / UTM zones 34N and 35N (N-E), CCS2005 (Lambert)
    (7803, 7803),    # BGS2005 / UTM zone 34N
    (9391, 9391),    # BGS2005 / UTM zone 35N
    (7805, 7805),    # BGS2005 / UTM zone 36N
    (3346, 3346),    # LKS94 / Lithuania TM
    (3059, 3059),    # LKS92 / Latvia TM
    (3301, 3301),    # Estonian Coordinate System of 1997 (Lambert)
    (2180, 2180),    # ETRF2000-PL / CS92
    (2176, 2179),    # ETRF2000-PL / CS2000 zones 15, 18, 21, 24
    (3006, 3018),    # SWEREF99 TM and the 12 local zones
    (2154, 2154),    # RGF93 v1 / Lambert-93
    (3942, 3950),    # RGF93 v1 / CC42-CC50
    (3765, 3765),    # HTRS96 / Croatia TM
    (3794, 3794),    # Slovenia 1996 / Slovene National Grid
    (2157, 2157),    # IRENET95 / Irish Transverse Mercator
    (3057, 3057),    # ISN93 / Lambert 1993 (Iceland)
    (8088, 8088),    # ISN2016 / Lambert 2016
    (4082, 4083),    # REGCAN95 / UTM zones 27N, 28N (Canary Islands)
    (7791, 7795),    # RDN2008 / UTM zones 32N-34N, Italy zone, Zone 12
    (5253, 5259),    # TUREF / TM27-TM45
    (31965, 31985),  # SIRGAS 2000 / UTM zones 11N-22N, 17S-25S
    (5343, 5349),    # POSGAR 2007 / Argentina zones 1-7
    (6366, 6372),    # Mexico ITRF2008 / UTM zones 11N-16N, LCC
    (5387, 5387),    # Peru96 / UTM zone 18S
    (5389, 5389),    # Peru96 / UTM zone 19S
    (5839, 5839),    # Peru96 / UTM zone 17S
    (5382, 5383),    # SIRGAS-ROU98 / UTM zones 21S, 22S
    (2201, 2203),    # REGVEN / UTM zones 18N-20N
    (3114, 3118),    # MAGNA-SIRGAS / Colombia zones
    (9377, 9377),    # MAGNA-SIRGAS / Origen-Nacional
    (6669, 6692),    # JGD2011 / Japan Plane Rectangular CS I-XIX, UTM zones 51N-55N
    (5179, 5179),    # Korea 2000 / Unified CS
    (5185, 5188),    # Korea 2000 / West, Central, East, East Sea Belt 2010
    (3414, 3414),    # SVY21 / Singapore TM
    (3825, 3826),    # TWD97 / TM2 zones 119, 121
]

METHODS = {"9807": "transverse_mercator", "9801": "lambert_conic_1sp", "9802": "lambert_conic_2sp"}
# The parameters of each method, by their EPSG codes, in the row's order:
# lat0, lon0, k0, fe, fn, lat1, lat2 (None: not one of this method's).
PARAMETERS = {
    "9807": ["8801", "8802", "8805", "8806", "8807", None, None],
    "9801": ["8801", "8802", "8805", "8806", "8807", None, None],
    "9802": ["8821", "8822", None, "8826", "8827", "8823", "8824"],
}
ELLIPSOIDS = {"7030", "7019", "7004", "7024", "7022", "7008", "7011", "7001"}


def sexagesimal(value):
    """Degrees of a value in the registry's unit 9110, DDD.MMSSsss."""
    text = "%.10f" % abs(value)
    whole, frac = text.split(".")
    degrees = Fraction(int(whole)) + Fraction(int(frac[0:2]), 60) + Fraction(frac[2:4] + "." + frac[4:]) / 3600
    return -degrees if value < 0 else degrees


def in_unit(value, unit):
    if unit in ("9102", "9122", "9001", "9201"):
        return float(value)
    if unit == "9110":
        return float(sexagesimal(value))
    raise SystemExit("unit %s not handled" % unit)


def literal(x):
    return repr(float(x))


def row(db, code):
    found = db.execute(
        "select p.name, p.geodetic_crs_code, c.* from projected_crs p join conversion_table c "
        "on c.auth_name = p.conversion_auth_name and c.code = p.conversion_code "
        "where p.auth_name = 'EPSG' and p.code = ?", (str(code),)).fetchone()
    if found is None:
        raise SystemExit("EPSG:%d is not in the registry" % code)
    columns = [d[0] for d in db.execute("select * from conversion_table limit 0").description]
    name, geodetic = found[0], found[1]
    conversion = dict(zip(columns, found[2:]))
    method = str(conversion["method_code"])
    if method not in METHODS:
        raise SystemExit("EPSG:%d: method %s" % (code, method))
    values = {}
    for i in range(1, 8):
        p = conversion["param%d_code" % i]
        if p is not None:
            values[str(p)] = in_unit(conversion["param%d_value" % i], str(conversion["param%d_uom_code" % i]))
    fields = [values[p] if p is not None else (1.0 if k == 2 else 0.0)
              for k, p in enumerate(PARAMETERS[method])]
    datum_name, ellipsoid = db.execute(
        "select g.name, d.ellipsoid_code from geodetic_crs g join geodetic_datum d "
        "on d.auth_name = g.datum_auth_name and d.code = g.datum_code "
        "where g.auth_name = 'EPSG' and g.code = ?", (geodetic,)).fetchone()
    if str(ellipsoid) not in ELLIPSOIDS:
        raise SystemExit("EPSG:%d: ellipsoid %s" % (code, ellipsoid))
    if str(geodetic) != "4326":
        shifts = db.execute(
            "select tx, ty, tz, coalesce(rx, 0), coalesce(ry, 0), coalesce(rz, 0), coalesce(scale_difference, 0) "
            "from helmert_transformation_table where source_crs_auth_name = 'EPSG' and source_crs_code = ? "
            "and target_crs_code = '4326' and deprecated = 0", (geodetic,)).fetchall()
        if not any(all(v == 0 for v in s) for s in shifts):
            raise SystemExit("EPSG:%d: datum %s not taken as WGS 84" % (code, datum_name))
    return '    {%d, "%s", "%s", %s, Projection::%s, %s, %s},' % (
        code, name, datum_name, geodetic, METHODS[method], ", ".join(literal(v) for v in fields), ellipsoid)


def main():
    db = sqlite3.connect(sys.argv[1] if len(sys.argv) > 1 else "/usr/share/proj/proj.db")
    version = dict(db.execute("select key, value from metadata").fetchall())
    codes = sorted(c for first, last in CODES for c in range(first, last + 1)
                   if db.execute("select 1 from projected_crs where auth_name = 'EPSG' and code = ?",
                                 (str(c),)).fetchone())
    print("// The named grids: written by survey_rt/make_epsg_grids.py from the EPSG registry %s"
          % version["EPSG.VERSION"])
    print("// (%s) as PROJ %s's database holds it. Columns: code, name, geographic system and its"
          % (version["EPSG.DATE"], version["PROJ.VERSION"]))
    print("// code, projection, latitude of origin, central meridian, scale, false easting and")
    print("// northing, standard parallels 1 and 2 (degrees, metres), the ellipsoid's code.")
    for code in codes:
        print(row(db, code))


if __name__ == "__main__":
    main()
