"""Writes a synthetic game folder for the archive benchmark: about 2,000 files and
200 MB of mixed content (incompressible, text-like, sparse binary, packed archives),
in nested folders with some Chinese names. Deterministic for a given seed."""
import os
import random
import sys

def text_bytes(rng, size):
    words = [b'Scene', b'Mesh', b'Texture', b'room', b'nvr', b'particle', b'0.500000',
             b'1.000000', b'spawn', b'minion', b'tower', b'\xe5\x9c\xb0\xe5\x9b\xbe',
             b'light', b'shadow', b'{', b'}', b'=', b'\n']
    out = bytearray()
    while len(out) < size:
        out += b' '.join(rng.choice(words) for _ in range(64)) + b'\n'
    return bytes(out[:size])

def sparse_bytes(rng, size):
    out = bytearray(size)
    for at in range(0, size, 64):
        if rng.random() < 0.4:
            n = min(64, size - at)
            out[at:at + n] = rng.randbytes(n)
    return bytes(out)

def main(root, seed=7, files=2000, total=200 * 1024 * 1024):
    rng = random.Random(seed)
    folders = ['LEVELS/Map%d/Scene/%s' % (m, s) for m in range(1, 13) for s in ('Meshes', 'Textures', 'Particles')]
    folders += ['DATA/Characters/%s/%s' % (c, k) for c in ('Annie', 'Ashe', '\u5b89\u59ae', '\u9524\u77f3', 'Garen', 'Lux')
                for k in ('Skins', 'Anims')]
    folders += ['DATA/Menu/\u754c\u9762', 'Sounds/Wwise', 'Fonts']
    # Sizes: mostly small files, a few large ones, scaled to the total.
    sizes = [int(rng.paretovariate(1.2) * 20000) for _ in range(files)]
    scale = total / sum(sizes)
    sizes = [max(64, int(s * scale)) for s in sizes]
    kinds = ['random', 'text', 'sparse', 'packed']
    weights = [0.35, 0.35, 0.25, 0.05]
    for i, size in enumerate(sizes):
        kind = rng.choices(kinds, weights)[0]
        folder = os.path.join(root, rng.choice(folders))
        os.makedirs(folder, exist_ok=True)
        ext = {'random': '.dds', 'text': '.txt', 'sparse': '.sco', 'packed': '.zip'}[kind]
        if kind in ('random', 'packed'):
            data = rng.randbytes(size)
        elif kind == 'text':
            data = text_bytes(rng, size)
        else:
            data = sparse_bytes(rng, size)
        with open(os.path.join(folder, 'file%04d%s' % (i, ext)), 'wb') as f:
            f.write(data)

if __name__ == '__main__':
    main(sys.argv[1])
