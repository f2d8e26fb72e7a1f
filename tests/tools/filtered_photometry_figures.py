# Expected figures of tests/app/ui/FilteredPhotometryTest.cpp: the frame filters and
# the aperture photometry computed pixel by pixel with numpy and exact fractions.
import numpy as np, math
from fractions import Fraction
W,H=81,61
def pattern():
    f=np.zeros((H,W,3),dtype=np.int64)
    for y in range(H):
        for x in range(W):
            for c in range(3):
                f[y,x,c]=(x*x*3+y*11+c*29+(x*y)%17)%256
    return f
def gamma(f,g):
    t=[min(255,max(0,round(255*(i/255)**(1/g)))) for i in range(256)]
    return np.vectorize(lambda v:t[v])(f)
K3=[[0.03,0.083,0.03],[0.083,0.225,0.083],[0.03,0.083,0.03]]
K5=[[0.13,0.279,0.36,0.279,0.13],[0.279,0.6,0.775,0.6,0.279],[0.36,0.775,1.0,0.775,0.36],[0.279,0.6,0.775,0.6,0.279],[0.13,0.279,0.36,0.279,0.13]]
def gauss(f,r):
    K,D=(K3,0.677) if r==1 else (K5,10.692)
    out=f.copy()
    for y in range(H):
        for x in range(W):
            for c in range(3):
                acc=0.0
                for dy in range(-r,r+1):
                    if not 0<=y+dy<H: continue
                    for dx in range(-r,r+1):
                        if not 0<=x+dx<W: continue
                        acc+=K[dy+r][dx+r]*int(f[y+dy,x+dx,c])
                out[y,x,c]=min(255,max(0,round(acc/D)))
    return out
def mavg(f,r):
    out=f.copy()
    for y in range(H):
        for x in range(W):
            y0,y1=max(0,y-r),min(H-1,y+r); x0,x1=max(0,x-r),min(W-1,x+r)
            blk=f[y0:y1+1,x0:x1+1,:]
            n=blk.shape[0]*blk.shape[1]
            for c in range(3):
                s=int(blk[:,:,c].sum())
                out[y,x,c]=round(Fraction(s,n))
    return out
def gain(f,t):
    out=f.copy()
    for y in range(2,H):
        for x in range(W):
            for c in range(3):
                out[y,x,c]=min(255,round(Fraction(int(f[y,x,c])*t,10)))
    return out
def rot(f,s):
    out=f.copy()
    for y in range(1,H):
        row=list(f[y])
        for _ in range(abs(s)*y):
            if s<0: row=row[1:]+row[:1]
            else: row=row[-1:]+row[:-1]
        out[y]=np.array(row)
    return out
def checksum(f):
    flat=f.reshape(-1)
    return int(sum(int(v)*(i%251+1) for i,v in enumerate(flat)))
def disk(r):
    cells=set()
    if r<0: return cells
    for dy in range(-r,r+1): cells.add((0,dy))
    for i in range(1,r+1):
        h=round(math.sqrt(r*r-(i-0.5)**2))
        for dy in range(-h,h+1): cells.add((i,dy)); cells.add((-i,dy))
    return cells
def classes(a,i,o):
    m={}
    for c in disk(o): m[c]=2
    for c in disk(i-1): m[c]=0
    for c in disk(a): m[c]=1
    return m
def phot(f,x,y,acc=False):
    m=classes(6,8,20)
    ap=[[0,0,0] for _ in range(3)]; bg=[[0,0,0] for _ in range(3)]
    apn=[0,0,0]; bgn=[0,0,0]
    for (dx,dy),cl in m.items():
        if cl==0: continue
        X,Y=x+dx,y+dy
        if not(0<=X<W and 0<=Y<H): continue
        for j in (0, 1 if Y%2 else 2):
            for c in range(3):
                (ap if cl==1 else bg)[j][c]+=int(f[Y,X,c])
            if cl==1: apn[j]+=1
            else: bgn[j]+=1
    peak=0; S=0.0; T=0.0; R=0.0
    b=sum(bg[0])/bgn[0] if bgn[0] else 0.0
    for (dx,dy),cl in sorted(m.items()):
        X,Y=x+dx,y+dy
        if cl!=1 or not(0<=X<W and 0<=Y<H): continue
        peak=max(peak,int(f[Y,X,0]))
        s_=int(f[Y,X,0])+int(f[Y,X,1])+int(f[Y,X,2])-b
        S+=s_; T+=s_*math.sqrt(dx*dx+dy*dy); R=max(R,math.sqrt(dx*dx+dy*dy))
    hfd=2*T/S if S!=0 else 0
    if not 0<=hfd<=2*R: hfd=0  # beyond the aperture: no measurement
    vals=[];aps=[];bgs=[]
    for j in range(3):
        A=sum(ap[j])/3; B=sum(bg[j])/3; n=bgn[j]
        if n==0: B=0;n=10
        v=A-(apn[j]/n)*B
        if j>0 and acc: v=(apn[0]/2/apn[j])*v
        vals.append(v); aps.append(round(A)); bgs.append(round(B))
    return vals,aps,bgs,apn,bgn,peak,hfd
import sys
rows=[
 ("none",lambda f:f),
 ("gamma 0.5",lambda f:gamma(f,0.5)),
 ("gamma 2.2",lambda f:gamma(f,2.2)),
 ("Gaussian 3 x 3",lambda f:gauss(f,1)),
 ("Gaussian 5 x 5",lambda f:gauss(f,2)),
 ("moving average 3 x 3",lambda f:mavg(f,1)),
 ("moving average 5 x 5",lambda f:mavg(f,2)),
 ("gain 0.0",lambda f:gain(f,0)),
 ("gain 0.3",lambda f:gain(f,3)),
 ("gain 5.0",lambda f:gain(f,50)),
 ("rotation -8",lambda f:rot(f,-8)),
 ("rotation 1",lambda f:rot(f,1)),
 ("rotation 8",lambda f:rot(f,8)),
 ("all five",lambda f:rot(gain(mavg(gauss(gamma(f,2.0),2),1),15),3)),
]
base=pattern()
for name,fn in rows:
    f=fn(base)
    for (x,y) in ((40,30),(3,2)):
        v,a,b,an,bn,pk,hf=phot(f,x,y)
        print('%s @(%d,%d): {%d, {%r, %r, %r}, {%d, %d, %d}, {%d, %d, %d}, {%d, %d, %d}, {%d, %d, %d}, %d, %r}'%(name,x,y,checksum(f),*v,*a,*b,*an,*bn,pk,hf))

# The 3-D view's pixel patch: R + G + B of each pixel within 27 of the object,
# -1 beyond the frame, summed as (value + 2) x (i mod 251 + 1) with dx outer.
def patch_checksum(f,x,y):
    s=0;i=0;outside=0
    for dx in range(-27,28):
        for dy in range(-27,28):
            X,Y=x+dx,y+dy
            v=int(f[Y,X].sum()) if 0<=X<W and 0<=Y<H else -1
            outside+=v<0
            s+=(v+2)*(i%251+1); i+=1
    return s,outside
print('3-D patches:')
for name,fn in rows:
    if name not in ("none","Gaussian 5 x 5","rotation -8"): continue
    f=fn(base)
    print(name,[patch_checksum(f,x,y) for (x,y) in ((40,30),(3,2))])

# 'Acurate' on: field values scaled to half the frame aperture; the peak less
# the block's background per pixel.
print('Acurate:')
for (x,y) in ((40,30),(3,2)):
    v,a,b,an,bn,pk,hf=phot(base,x,y,acc=True)
    print([repr(t) for t in v])
    m=classes(6,8,20)
    for j in range(3):
        s=0;n=0
        for (dx,dy),cl in m.items():
            X,Y=x+dx,y+dy
            if cl!=2 or not(0<=X<W and 0<=Y<H): continue
            if j>0 and (Y%2==1)!=(j==1): continue
            s+=int(base[Y,X].sum()); n+=1
        print('peak less background', repr(pk-(s/3/n)))
